#pragma once

#include "engine/report/run_record.h"

#include <QString>

namespace pardovane {

// Why a link is a finding, in Japanese: "見つかりません (404)", "タイムアウト"...
QString JapaneseLinkReason(const LinkRecord& link);
// Why a page is a finding: not reached, not read, or warned about.
QString JapanesePageReason(const PageRecord& page);
// Where the link stands in its page's source as "line:column", empty when
// the record does not know.
QString LinkPlace(const LinkRecord& link);

}  // namespace pardovane
