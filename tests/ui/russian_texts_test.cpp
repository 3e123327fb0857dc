// The Russian interface speaks Russian: every text of every window (labels,
// buttons, group titles, tabs, tooltips, placeholders, menu entries, table
// headers, window titles) is either Russian or a name that is the same in
// both languages (codec and element names, units, the status words).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableWidget>

#include "ui/batch_window.h"
#include "ui_test_support.h"

namespace quillon::ui::test {
namespace {

class RussianTextsTest : public UiTest {};

// An English word: three Latin letters or more in a text without a Cyrillic letter.
bool LooksEnglish(const QString& text) {
    static const QRegularExpression cyrillic(QStringLiteral("[\\x{0400}-\\x{04FF}]"));
    static const QRegularExpression word(QStringLiteral("[A-Za-z]{3,}"));
    return !text.contains(cyrillic) && text.contains(word);
}

QStringList TextsOf(QWidget* window) {
    QStringList texts = {window->objectName() + " title: " + window->windowTitle()};
    QList<QObject*> objects = window->findChildren<QObject*>();
    objects.prepend(window);
    for (QObject* o : objects) {
        const QString name = o->objectName();
        const auto add = [&](const QString& what, const QString& text) {
            if (!text.isEmpty()) texts << name + " " + what + ": " + text;
        };
        if (auto* w = qobject_cast<QWidget*>(o)) {
            add("tooltip", w->toolTip());
            // Qt names the scroll buttons of a tab bar before any translation is loaded.
            if (!name.startsWith("Scroll")) add("accessible name", w->accessibleName());
        }
        if (auto* l = qobject_cast<QLabel*>(o)) add("label", l->text());
        if (auto* b = qobject_cast<QAbstractButton*>(o)) add("button", b->text());
        if (auto* g = qobject_cast<QGroupBox*>(o)) add("group", g->title());
        if (auto* e = qobject_cast<QLineEdit*>(o)) add("placeholder", e->placeholderText());
        if (auto* a = qobject_cast<QAction*>(o)) add("action", a->text());
        if (auto* t = qobject_cast<QTabWidget*>(o))
            for (int i = 0; i < t->count(); ++i) add("tab", t->tabText(i));
        if (auto* t = qobject_cast<QTableWidget*>(o)) {
            for (int c = 0; c < t->columnCount(); ++c) {
                if (QTableWidgetItem* h = t->horizontalHeaderItem(c)) add("header", h->text());
                if (t->rowCount() > 0 && t->item(0, c)) add("first row", t->item(0, c)->text());
            }
        }
    }
    return texts;
}

TEST_F(RussianTextsTest, NoEnglishTextInTheRussianInterface) {
    main().ImageRUClick();
    main().OpenBatchWindow();  // its rows would be the files' own names
    // Names that read the same in both languages: the status words, element
    // names, file kinds, language codes, the program's name.
    static const QRegularExpression same(QStringLiteral(
        "^(r e a d y|TimeLine|def|\\s*Quillon.*|[A-Z0-9_/ .:-]+|[A-Z][a-z]+([A-Z][a-z]*)+:?|[a-z]{3}|"
        "(mka|mks|aac|ogg|flac|srt|ass|ssa|ac3|mp3|avi)|wav \\((mp3|pcm)\\)|"
        "[a-z]: [A-Za-z]+(, [a-z]: [A-Za-z]+)*)$"));
    QStringList english;
    for (QWidget* window : std::initializer_list<QWidget*>{windows_.main.get(), windows_.yesNo.get(), windows_.mtl.get(),
                                                            windows_.me.get(), windows_.tl.get(), windows_.du.get(),
                                                            windows_.view.get(), static_cast<QWidget*>(main().batchWindow())}) {
        for (const QString& text : TextsOf(window)) {
            const QString shown = text.mid(text.indexOf(": ") + 2);
            if (LooksEnglish(shown) && !same.match(shown).hasMatch()) english << text;
        }
    }
    EXPECT_TRUE(english.isEmpty()) << english.join("\n").toStdString();
}

}  // namespace
}  // namespace quillon::ui::test
