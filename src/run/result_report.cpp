#include "run/result_report.hpp"

#include "platform/files.hpp"
#include "platform/utf8_path.hpp"
#include "text/line_writer.hpp"

namespace varkelo::run {

std::int32_t ResultCodeOf(RunOutcome outcome) {
  switch (outcome) {
    case RunOutcome::Success:
      return 1;
    case RunOutcome::InvalidAddress:
      return 2;
    case RunOutcome::NoConnection:
      return 3;
    case RunOutcome::NoResponse:
      return 4;
    case RunOutcome::CsvError:
      return 5;
    case RunOutcome::None:
      break;
  }
  return 0;
}

int ExitStatusOf(RunOutcome outcome) {
  switch (outcome) {
    case RunOutcome::Success:
      return 0;
    case RunOutcome::None:
      return 6;
    default:
      return ResultCodeOf(outcome);
  }
}

std::string ResultReportLine(RunOutcome outcome, std::string_view gatewayAddress) {
  switch (outcome) {
    case RunOutcome::Success:
      return "成功";
    case RunOutcome::InvalidAddress:
      return "IPアドレスに、異常な値が含まれています。";
    case RunOutcome::NoConnection:
      return "「" + std::string(gatewayAddress) + "」のスマートゲートウェイの接続に失敗しました。";
    case RunOutcome::NoResponse:
      return "「" + std::string(gatewayAddress) + "」のスマートゲートウェイとの接続がタイムアウトしました。";
    case RunOutcome::CsvError:
      return "CSVの作成中にエラーが発生しました。";
    case RunOutcome::None:
      break;
  }
  return "異常";
}

platform::Status WriteResultReport(const std::filesystem::path& appFolder, RunOutcome outcome,
                                   std::string_view gatewayAddress) {
  const std::filesystem::path report = appFolder / "error.txt";
  platform::Status written;
  try {
    text::LineWriter writer;
    // Replaced even when the line is the same: its time is the time of the run.
    written = writer.Open(report, platform::WholeFileWriter::Identical::Replace);
    if (written) written = writer.WriteLine(ResultReportLine(outcome, gatewayAddress));
    if (written) written = writer.Close();
    // Last of all the run's files: its name on the disk after theirs.
    if (written) written = platform::FlushFolder(appFolder);
  } catch (const std::bad_alloc&) {
    written = platform::Failure{.what = "cannot write",
                                .subject = platform::Utf8FromPath(report),
                                .error = std::make_error_code(std::errc::not_enough_memory)};
  }
  // A full disk still lets a file be removed: no earlier outcome stays to be
  // read as this run's.
  if (!written && platform::KindOfEntry(report) == platform::EntryKind::RegularFile) {
    static_cast<void>(platform::RemoveFile(report));
  }
  return written;
}

}  // namespace varkelo::run
