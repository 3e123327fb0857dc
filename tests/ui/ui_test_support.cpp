#include "ui_test_support.h"

#include <memory>

#include <QApplication>
#include <QPointer>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTimer>

#include "ui/settings_store.h"

namespace quillon::ui::test {

QString SamplePath() { return QStringLiteral(QUILLON_TEST_DATA "/sample.mkv"); }
QString FfmpegSamplePath() { return QStringLiteral(QUILLON_TEST_DATA "/ffmpeg_sample.mkv"); }

void ClearSettings() {
    QSettings settings(kSettingsOrganisation, kSettingsApplication);
    settings.clear();
    settings.sync();
}

namespace {

QPointer<QTimer> pendingAnswer;

}  // namespace

void CancelModalAnswer() {
    if (pendingAnswer) pendingAnswer->deleteLater();
    pendingAnswer = nullptr;
}

void ActOnNextModal(std::function<void(QWidget*)> act) {
    CancelModalAnswer();
    // Polls until the window is up: the open and save paths pump events
    // before they ask, so a single deferred call could come too early.
    auto* poll = new QTimer(qApp);
    poll->setInterval(5);
    auto tries = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, tries, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            if (++*tries > 2000) poll->deleteLater();
            return;
        }
        poll->stop();
        poll->deleteLater();
        act(modal);
    });
    pendingAnswer = poll;
    poll->start();
}

ModalSeen& AnswerNextModal(bool yes) {
    static ModalSeen seen;
    seen = ModalSeen{};
    ActOnNextModal([yes](QWidget* modal) {
        seen.shown = true;
        seen.className = modal->objectName();
        if (auto* form = qobject_cast<TFormYesNo*>(modal)) {
            seen.text = form->LabelYN->text();
            seen.yes = form->BitBtnDa->text();
            seen.no = form->BitBtnNet->text();
            (yes ? form->BitBtnDa : form->BitBtnNet)->click();
        } else if (auto* info = qobject_cast<TFormME*>(modal)) {
            seen.text = info->LabelME->text();
            info->close();
        } else {
            modal->close();
        }
    });
    return seen;
}

void UiTest::SetUp() {
    ClearSettings();
    windows_ = CreateAppWindows();
    main().show();
}

void UiTest::TearDown() {
    CancelModalAnswer();
    windows_ = AppWindows{};
}

void UiTest::OpenOn(const QString& path, QWidget* tab, bool full) {
    main().PageControl1->setCurrentWidget(tab);
    main().EditIN->setText(path);
    if (tab == Find<QWidget>("TabSheetCH")) main().CheckFC->setChecked(full);
    main().BitBtnHDRClick();
}

void UiTest::ShowTreePopup() {
    QMenu* popup = Find<QMenu>("PopupEBML");
    popup->popup(QPoint(0, 0));
    popup->hide();
}

QStringList UiTest::LogLines() const {
    return Find<QPlainTextEdit>(*windows_.main, "MemoST")->toPlainText().split('\n', Qt::SkipEmptyParts);
}

}  // namespace quillon::ui::test
