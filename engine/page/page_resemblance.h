#pragma once

#include <string_view>

namespace pardovane {

// How alike two answers' bodies are, from 0 to 1: the Jaccard index of their
// sets of word shingles, every run of three consecutive words (a word is a
// run of ASCII letters and digits, in any letter case, or of non-ASCII
// bytes; markup counts as text). A body of fewer words is one shingle of
// them all; two bodies without a word are alike. Measures resemblance as
// near-duplicate web pages are found, so a page's own content, added to a
// template it shares with the other, lowers it in proportion.
double Resemblance(std::string_view a, std::string_view b);

}  // namespace pardovane
