// A picture the user can click: the window's images act as buttons (open,
// stop, save, flags, find), the way the tool's pictures always have.
#pragma once

#include <QLabel>

namespace quillon::ui {

class ClickableImage : public QLabel {
    Q_OBJECT
public:
    explicit ClickableImage(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace quillon::ui
