#include "cli/verbosity.hpp"

namespace quorvine::cli {

OptionSpec verbose_option() { return {"--verbose", "", "also print the status texts of the scan and the export's log"}; }

OptionSpec quiet_option() { return {"--quiet", "", "print errors only: no warnings, no progress bar"}; }

Verbosity verbosity_of(const Arguments& args) {
  const bool verbose = args.flag("--verbose"), quiet = args.flag("--quiet");
  if (verbose && quiet) throw UsageError("--verbose and --quiet exclude each other");
  return verbose ? Verbosity::Verbose : quiet ? Verbosity::Quiet : Verbosity::Normal;
}

}  // namespace quorvine::cli
