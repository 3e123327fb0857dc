#include "ui/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace quillon::ui {

bool UseQtTranslations(Lang lang) {
    static QTranslator* russian = nullptr;
    if (lang != Lang::Rus) {
        if (russian) QCoreApplication::removeTranslator(russian);
        return true;
    }
    if (!russian) {
        russian = new QTranslator(QCoreApplication::instance());
        if (!russian->load(QLocale(QLocale::Russian), "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            delete russian;
            russian = nullptr;
            return false;
        }
    }
    QCoreApplication::installTranslator(russian);
    return true;
}

}  // namespace quillon::ui
