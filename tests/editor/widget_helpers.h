// Small helpers for driving dialogs in widget tests.
#pragma once

#include <QListWidget>
#include <QObject>
#include <QStringList>
#include <QTest>
#include <gtest/gtest.h>

namespace widgets {

// The named child of a dialog; a test failure when it is missing.
template <class T> T* Child(QObject& parent, const char* name) {
    T* child = parent.findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
}

inline QStringList Items(QListWidget* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    return items;
}

// A double click on a list entry, as the user makes it (the list's window is shown first).
inline void DoubleClick(QListWidget* list, int row) {
    list->window()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window()));
    const QPoint at = list->visualItemRect(list->item(row)).center();
    ASSERT_FALSE(at.isNull());
    // A widget double click arrives after the first click, as from a real mouse.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

} // namespace widgets
