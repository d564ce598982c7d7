#pragma once

// The page of one gateway: a self-contained HTML document (its style, its
// data and a small script inline, nothing fetched) that draws the
// completeness of the meters' days, the daily totals and one day's load curve.
// Style, script and template are the files of src/page/assets/.

#include <cstddef>
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

// The page's data block (JSON): the layout's counts, the value code, and the
// days, the newest with each half hour's value, older ones summed when the
// page would grow past 2 MB. What the page's script reads.
// `budget` bounds the block's bytes while older days can still be summed.
inline constexpr std::size_t DataBudget = 1'850'000;
std::string PageDataJson(const GatewayTree& tree, std::size_t budget = DataBudget);

}  // namespace varkelo::page
