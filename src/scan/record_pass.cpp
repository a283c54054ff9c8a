#include "scan/record_pass.hpp"

#include <algorithm>

namespace quorvine::scan {
namespace {

class BarProgress final : public ese::ProgressObserver {
 public:
  BarProgress(ScanObserver& observer, ProgressRule rule, uint64_t records, ese::ProgressObserver* outer)
      : observer_(observer), rule_(rule), records_(records), outer_(outer) {
    switch (rule_) {
      case ProgressRule::RecordCountWithText:
        observer_.progress_text("Scanning ");
        [[fallthrough]];
      case ProgressRule::RecordCount:
        if (records_ > 100) observer_.progress_range(records_);
        break;
      case ProgressRule::Capped:
        if (records_ > 0) observer_.progress_range(std::min<uint64_t>(records_, 50000));
        break;
      case ProgressRule::Wrapping:
        break;
    }
  }
  ~BarProgress() override { observer_.progress_reset(); }

  void progress(uint64_t done, uint64_t total) override {
    switch (rule_) {
      case ProgressRule::RecordCount:
      case ProgressRule::RecordCountWithText:
        observer_.progress_position(done);
        if (rule_ == ProgressRule::RecordCountWithText && done == records_ && !completed_) {
          completed_ = true;
          observer_.progress_text("Completed");
        }
        break;
      case ProgressRule::Capped:
        observer_.progress_position(std::min<uint64_t>(done, std::min<uint64_t>(records_, 50000)));
        break;
      case ProgressRule::Wrapping:
        observer_.progress_position(done == 0 ? 0 : (done - 1) % 100 + 1);
        break;
    }
    if (outer_) outer_->progress(done, total);
  }

 private:
  ScanObserver& observer_;
  ProgressRule rule_;
  uint64_t records_;
  ese::ProgressObserver* outer_;
  bool completed_ = false;
};

}  // namespace

ese::PassResult run_record_pass(const ese::Table& table, const WantedColumns& wanted,
                                ScanObserver& observer, ProgressRule rule,
                                const ese::PassControl& control,
                                const std::function<void(const ese::Record&, uint64_t)>& visit) {
  BarProgress bar(observer, rule, table.record_count(), control.progress);
  ese::PassControl pass = control;
  pass.progress = &bar;
  return table.for_each_record(
      wanted.columns,
      [&](uint64_t index, const ese::Record& record) {
        visit(record, index);
        return true;
      },
      pass);
}

}  // namespace quorvine::scan
