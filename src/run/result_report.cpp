#include "run/result_report.hpp"

#include "text/line_writer.hpp"

namespace varkelo::run {

std::string ResultReportLine(std::int32_t resultCode, std::string_view gatewayAddress) {
  switch (resultCode) {
    case ResultSuccess:
      return "成功";
    case ResultInvalidAddress:
      return "IPアドレスに、異常な値が含まれています。";
    case ResultNoConnection:
      return "「" + std::string(gatewayAddress) + "」のスマートゲートウェイの接続に失敗しました。";
    case ResultTimeout:
      return "「" + std::string(gatewayAddress) + "」のスマートゲートウェイとの接続がタイムアウトしました。";
    case ResultCsvError:
      return "CSVの作成中にエラーが発生しました。";
    default:
      return "異常";
  }
}

bool WriteResultReport(const std::filesystem::path& appFolder, std::int32_t resultCode,
                       std::string_view gatewayAddress) {
  try {
    text::LineWriter writer;
    return writer.Open(appFolder / "error.txt") &&
           writer.WriteLine(ResultReportLine(resultCode, gatewayAddress)) && writer.Close();
  } catch (...) {
    return false;
  }
}

}  // namespace varkelo::run
