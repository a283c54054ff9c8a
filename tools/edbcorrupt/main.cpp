// edbcorrupt: writes a damaged copy of an ESE store, the same for the same mode and seed.
// Test tooling for the corruption campaign, not product.
#include <cstdio>
#include <exception>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "edbcorrupt/store_corruption.hpp"

namespace {

int usage() {
  std::string modes;
  for (auto name : edbcorrupt::mode_names()) modes += (modes.empty() ? "" : "|") + std::string(name);
  std::cerr << "usage: edbcorrupt " << modes << " SEED IN.edb OUT.edb [OBJID...]\n"
               "  OBJIDs aim record, huge-tag and cycle damage at those trees\n";
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) return usage();
  const auto mode = edbcorrupt::parse_mode(argv[1]);
  if (!mode) return usage();
  try {
    const uint64_t seed = std::stoull(argv[2]);
    std::ifstream in(argv[3], std::ios::binary);
    if (!in) throw std::runtime_error(std::string("cannot read ") + argv[3]);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    edbcorrupt::Targets targets;
    for (int i = 5; i < argc; ++i) targets.object_ids.push_back(static_cast<uint32_t>(std::stoul(argv[i])));
    const auto damage = edbcorrupt::corrupt(std::move(bytes), *mode, seed, targets);
    std::ofstream out(argv[4], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(damage.bytes.data()), std::streamsize(damage.bytes.size()));
    out.close();
    if (!out) throw std::runtime_error(std::string("cannot write ") + argv[4]);
    std::cout << damage.description << '\n';
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "edbcorrupt: " << e.what() << '\n';
    return 1;
  }
}
