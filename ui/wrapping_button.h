#pragma once

#include "ui/caption_layout.h"

#include <QPushButton>

namespace pardovane {

// A push button whose caption wraps onto several lines instead of being
// clipped, as buttons of the classic Windows toolkit do.
class WrappingButton : public QPushButton {
    Q_OBJECT

public:
    explicit WrappingButton(const QString& text, QWidget* parent = nullptr);

    // The caption as it is drawn at the button's present size.
    CaptionLayout captionLayout() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace pardovane
