// The codecs tab as a widget of its own: the audio decoders of the build in
// one grid (StringCDK), the WAVE format tags of the selected one in the
// other (StringTAG). It owns its grids; the main window only shows it and
// passes the interface language.
#pragma once

#include <QWidget>

#include "core/host.h"
#include "export/codec_list.h"

class QTableWidget;

namespace quillon::ui {

class CodecsTab : public QWidget {
    Q_OBJECT
public:
    CodecsTab(Host& host, QWidget* parent);

    // Lists the decoders afresh and shows the first one's tags.
    void TabSheetCDKShow();
    // The captions in the interface's language.
    void ApplyLanguage();

private:
    void StringCDKClick();

    Host& host_;
    QTableWidget* StringCDK;
    QTableWidget* StringTAG;
    DriverList drivers_;  // enumerated each time the tab is shown
};

}  // namespace quillon::ui
