#pragma once

#include <QAbstractButton>
#include <QObject>
#include <QString>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

// The child named `name`; a test failure when there is none.
template <class T>
T* Child(const QObject& parent, const QString& name)
{
    T* child = parent.findChild<T*>(name);
    if (child == nullptr)
        ADD_FAILURE() << "no control named " << name.toStdString();
    return child;
}

// The button showing `text`; a test failure when there is none.
inline QAbstractButton* ButtonWithText(const QObject& parent, const QString& text)
{
    for (QAbstractButton* button : parent.findChildren<QAbstractButton*>())
        if (button->text() == text)
            return button;
    ADD_FAILURE() << "no button " << text.toStdString();
    return nullptr;
}

// Clicks into `field`, selects what it holds and types `text` over it, as a user does.
inline void TypeInto(QWidget* field, const QString& text)
{
    QTest::mouseClick(field, Qt::LeftButton);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(field, text);
}

// Clicks the button showing `text` with the mouse.
inline void ClickButtonWithText(const QObject& parent, const QString& text)
{
    if (QAbstractButton* button = ButtonWithText(parent, text))
        QTest::mouseClick(button, Qt::LeftButton);
}
