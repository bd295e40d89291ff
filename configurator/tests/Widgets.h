#pragma once

#include <QAbstractButton>
#include <QObject>
#include <QString>

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
