#include "ui/form_view.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>

#include "attach/mime_table.h"
#include "attach/picture_fit.h"
#include "ui/widget_factory.h"

namespace quillon::ui {

TFormView::TFormView() : QWidget(nullptr, Qt::Window) {
    setObjectName("TFormView");
    resize(640, 480);
    Memo = Make<QPlainTextEdit>(this, "Memo");
    Memo->setReadOnly(true);
    Image = Make<QLabel>(this, "Image");
    Image->setScaledContents(true);
    Image->hide();
}

bool TFormView::ShowAttach(const std::vector<uint8_t>& data, const std::string& mime) {
    if (IsTextMime(mime)) {
        Memo->setPlainText(QString::fromUtf8(reinterpret_cast<const char*>(data.data()), qsizetype(data.size())));
        Memo->show();
        Image->hide();
        return true;
    }
    if (IsPictureMime(mime) && ms2image2(data)) {
        Image->show();
        Memo->hide();
        return true;
    }
    return false;
}

bool TFormView::ms2image2(const std::vector<uint8_t>& data) {
    picture_ = QImage::fromData(data.data(), int(data.size()));
    if (picture_.isNull()) return false;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize room = screen ? screen->availableSize() : QSize(1024, 768);
    int k = 1;
    while (picture_.width() / k > room.width()) ++k;
    while (picture_.height() / k > room.height()) ++k;
    resize(std::max(1, picture_.width() / k), std::max(1, picture_.height() / k) + 4);
    Image->setPixmap(QPixmap::fromImage(picture_));
    setIMAGEsize();
    return true;
}

void TFormView::setIMAGEsize() {
    if (picture_.isNull()) return;
    const PictureRect r = setATTPICsize(width(), height() - 4, picture_.width(), picture_.height());
    Image->setGeometry(r.x, r.y, r.width, r.height);
}

void TFormView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Memo->setGeometry(rect());
    setIMAGEsize();
}

}  // namespace quillon::ui
