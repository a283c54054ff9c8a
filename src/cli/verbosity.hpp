#pragma once
// How much a command says on stderr besides its result: --quiet errors only, plain runs
// warnings and the progress bar (on a terminal), --verbose also the status texts.
#include "cli/arguments.hpp"

namespace quorvine::cli {

enum class Verbosity { Quiet, Normal, Verbose };

// The --verbose and --quiet options of the commands that report progress.
OptionSpec verbose_option();
OptionSpec quiet_option();

// Throws UsageError when both are given.
Verbosity verbosity_of(const Arguments& args);

}  // namespace quorvine::cli
