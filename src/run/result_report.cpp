#include "run/result_report.hpp"

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

bool WriteResultReport(const std::filesystem::path& appFolder, RunOutcome outcome,
                       std::string_view gatewayAddress) {
  try {
    text::LineWriter writer;
    return writer.Open(appFolder / "error.txt") &&
           writer.WriteLine(ResultReportLine(outcome, gatewayAddress)) && writer.Close();
  } catch (...) {
    return false;
  }
}

}  // namespace varkelo::run
