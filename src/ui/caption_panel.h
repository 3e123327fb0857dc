// A framed panel with a centred caption, like the wait panel: the language
// switch treats it as a panel and sets its caption.
#pragma once

#include <QFrame>
#include <QString>

class QLabel;

namespace quillon::ui {

class CaptionPanel : public QFrame {
    Q_OBJECT
public:
    explicit CaptionPanel(QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const;

private:
    QLabel* caption_;
};

}  // namespace quillon::ui
