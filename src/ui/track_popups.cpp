// The grid's popup menus: PopupTR (track order, the track panel, track
// import and the add entries) and PopupDEF (drop the default flag).
#include <QAction>
#include <QMenu>

#include "ui/contents_tab.h"
#include "ui/track_panel.h"

namespace quillon::ui {
namespace {

QAction* Item(QMenu* menu, const char* name, const char* caption) {
    QAction* action = menu->addAction(QString::fromUtf8(caption));
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

}  // namespace

void TrackEditing::BuildPopups() {
    // Children of the tab, inside the window, so the caption table reaches their entries.
    PopupTR = new QMenu(&tab_);
    PopupTR->setObjectName(QStringLiteral("PopupTR"));
    MIup = Item(PopupTR, "MIup", "поднять выше");
    MIdown = Item(PopupTR, "MIdown", "опустить ниже");
    PopupTR->addSeparator();
    MIpara = Item(PopupTR, "MIpara", "изменить параметры трека");
    PopupTR->addSeparator();
    MIimport = Item(PopupTR, "MIimport", "импортировать трек");
    MIaud = Item(PopupTR, "MIaud", "добавить звуковую дорожку (mp3 only)");
    MIsub = Item(PopupTR, "MIsub", "добавить субтитры");
    connect(MIup, &QAction::triggered, this, &TrackEditing::MIupClick);
    connect(MIdown, &QAction::triggered, this, &TrackEditing::MIdownClick);
    connect(MIpara, &QAction::triggered, this, &TrackEditing::MIparaClick);
    connect(MIimport, &QAction::triggered, this, &TrackEditing::MIimportClick);
    connect(MIaud, &QAction::triggered, this, &TrackEditing::MIaudClick);
    connect(MIsub, &QAction::triggered, this, &TrackEditing::MIsubClick);

    PopupDEF = new QMenu(&tab_);
    PopupDEF->setObjectName(QStringLiteral("PopupDEF"));
    MIdef = Item(PopupDEF, "MIdef", "снять флаг DefaultTrack");
    connect(MIdef, &QAction::triggered, this, &TrackEditing::MIdefClick);
}

}  // namespace quillon::ui
