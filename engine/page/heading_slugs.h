#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

namespace pardovane {

// The anchors a Markdown renderer gives a document's headings, one heading
// at a time in the order of the document.
//
// Github: GitHub's rules, as github-slugger (npm) writes them down and as
// remark, Docusaurus and VitePress's GitHub mode use them: the heading's text
// in lower case (full Unicode case mapping), every character removed that is
// a symbol, a control, format or private-use character, unassigned, a
// separator other than the space, a number other than a digit or a letter
// number, or punctuation other than "-" and connectors such as "_" (letters,
// marks and anything alphabetic stay, non-ASCII ones too), then each space
// a "-". A repeated anchor gets "-1", "-2", ... after it, skipping those
// already taken.
//
// Gitlab: GitLab's rules: lower case; every character that is not a letter,
// a mark, a digit, "_", "-" or a space removed; spaces to "-"; runs of "-"
// made one; a repeat gets "-1", "-2", ...
class HeadingSlugs {
public:
    enum class Rules { Github, Gitlab };
    explicit HeadingSlugs(Rules rules = Rules::Github) : rules_(rules) { }

    // The next heading's anchor.
    std::u16string Next(std::u16string_view heading);

private:
    Rules rules_;
    std::unordered_map<std::u16string, int> taken_;
};

// A heading's anchor without the repeat count.
std::u16string HeadingSlug(std::u16string_view heading, HeadingSlugs::Rules rules);

}  // namespace pardovane
