#pragma once
#include <filesystem>
#include <stdexcept>
#include <string>

#include "edbgen/scenario_model.hpp"

namespace edbgen {

// A scenario that cannot be used; the message is one line naming the file and the place.
class ScenarioError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

Scenario parse_scenario_text(const std::string& json_text, const std::string& source_name);
Scenario load_scenario(const std::filesystem::path& file);

}  // namespace edbgen
