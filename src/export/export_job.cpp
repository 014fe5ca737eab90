#include "export/export_job.h"

#include <utility>

#include "export/export_engine.h"

namespace cfv {

ExportJob::ExportJob(EntryTree tree, ExportOptions options)
    : tree_(std::move(tree)), options_(std::move(options)) {}

void ExportJob::Run(JobContext& context) {
  context_ = &context;
  summary_ = ExportEngine(tree_, *this).Run(options_);
}

OverwriteAnswer ExportJob::AskOverwrite(const std::string& targetPath) {
  OverwriteQuestion question;
  question.path = targetPath;
  context_->Ask(question);
  return question.answer;
}

void ExportJob::Failed(const ExportFailure& failure) {
  if (failuresHidden_) return;
  FailureNotice notice;
  notice.failure = failure;
  context_->Ask(notice);
  failuresHidden_ = notice.hideLater;
}

bool ExportJob::Progress(std::uint32_t done, std::uint32_t total, std::string_view name) {
  context_->Progress(done, total, name);
  return !context_->Cancelled();
}

}  // namespace cfv
