#pragma once

#include <QDialog>

#include <string>

namespace pardovane {

// A page's source around one of its links, with line numbers and the
// link's line marked: the line the record gives, or else the first that
// holds the link as written.
class SourceView : public QDialog {
    Q_OBJECT

public:
    SourceView(const std::u16string& source, const std::u16string& link, int line, QWidget* parent = nullptr);

    // How many lines are shown on each side of the link's.
    static constexpr int kContext = 20;
};

}  // namespace pardovane
