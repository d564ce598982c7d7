#pragma once

// The page of one gateway: a self-contained HTML document (its style, its
// data and a small script inline, nothing fetched) that draws the
// completeness of the meters' days, the daily totals and one day's load curve.

#include <string>

#include "page/gateway_tree.hpp"

namespace varkelo::page {

// What the page says of the gateway beside its tree.
struct PageFacts {
  std::string layout;          // how the gateway stores its readings; empty when not known
  std::string lastReport;      // the line of "error.txt"; empty when there is none
  std::string lastReportTime;  // when "error.txt" was written, "YYYY-MM-DDTHH:MM:SSZ"; may be empty
  std::string madeAt;          // when the page is made, the same form
};

// The UTF-8 text of the page.
std::string GatewayPageHtml(const GatewayTree& tree, const PageFacts& facts);

// The 48 values of a day as the page's script reads them: each value in base
// 45, most significant digit first, the digits before the last from a second
// alphabet, "." for a missing value; trailing missing values left out.
std::string EncodedValues(const MeterDay& meter);

}  // namespace varkelo::page
