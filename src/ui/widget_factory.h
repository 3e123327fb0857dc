// Every control is made with its working name as the object name, which the
// language switch and the tests find it by.
#pragma once

#include <QObject>

namespace quillon::ui {

template <class W, class Parent>
W* Make(Parent* parent, const char* name) {
    auto* widget = new W(parent);
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

}  // namespace quillon::ui
