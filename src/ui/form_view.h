// The attachment viewer ("Attachments Viewer"): a text in a memo or a
// picture scaled to the screen.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <QImage>
#include <QWidget>

class QLabel;
class QPlainTextEdit;

namespace quillon::ui {

class TFormView : public QWidget {
    Q_OBJECT
public:
    TFormView();

    // Fills the window for a text or a picture; false (and nothing shown) for
    // another type or a picture that does not decode.
    bool ShowAttach(const std::vector<uint8_t>& data, const std::string& mime);

    QPlainTextEdit* Memo;
    QLabel* Image;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // The picture decoded, the window sized to it divided by the smallest
    // whole number that brings it within the screen.
    bool ms2image2(const std::vector<uint8_t>& data);
    void setIMAGEsize();

    QImage picture_;
};

}  // namespace quillon::ui
