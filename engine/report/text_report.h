#pragma once

#include "engine/report/run_record.h"

#include <string>

namespace pardovane {

// The report the window shows and pardovane-check writes by default, one
// block a page as each page ends: the page's name, every broken link under
// it as the page wrote it, and the page's verdict, each line ending in CR LF;
// a page that could not be reached gets two lines saying so. Passwords in
// URLs are masked.
void AppendTextBlock(std::u16string& report, const RunRecord& record, const PageRecord& page);

}  // namespace pardovane
