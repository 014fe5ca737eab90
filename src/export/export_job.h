// ExportJob: an export as a Job (common/job.h), for the window's File >
// Export and Export This Branch.
//
// The walk reads its own copy of the tree, so the window's tree may grow
// meanwhile (a load whose dialog was aborted still hands over its last
// files). The engine's questions and failures become JobQuestions the
// runner's answerer shows: OverwriteQuestion (unanswered: Cancel, the walk
// stops) and FailureNotice (once one is answered with hideLater, the later
// failures of this export are only counted, never asked). Progress goes to
// the runner with the entry's name; a cancel acts as the overwrite
// question's Cancel at the next entry.
//
// Thread: as Job. Summary() once the job has ended.
#pragma once

#include <string>

#include "common/job.h"
#include "containers/entry_tree.h"
#include "export/export_options.h"
#include "export/export_user.h"

namespace cfv {

// Replace the file at `path`? The answer as the overwrite question's.
struct OverwriteQuestion : JobQuestion {
  std::string path;
  OverwriteAnswer answer = OverwriteAnswer::kCancel;
};

// A failure to show; `hideLater`: the user asked to see no more of them in
// this export.
struct FailureNotice : JobQuestion {
  ExportFailure failure;
  bool hideLater = false;
};

class ExportJob final : public Job, private ExportUser {
 public:
  ExportJob(EntryTree tree, ExportOptions options);

  void Run(JobContext& context) override;

  const EntryTree& Tree() const { return tree_; }
  const ExportOptions& Options() const { return options_; }
  const ExportSummary& Summary() const { return summary_; }

 private:
  OverwriteAnswer AskOverwrite(const std::string& targetPath) override;
  void Failed(const ExportFailure& failure) override;
  bool Progress(std::uint32_t done, std::uint32_t total, std::string_view name) override;

  const EntryTree tree_;
  const ExportOptions options_;
  JobContext* context_ = nullptr;
  bool failuresHidden_ = false;
  ExportSummary summary_;
};

}  // namespace cfv
