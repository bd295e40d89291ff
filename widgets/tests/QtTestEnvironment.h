#pragma once

#include <QApplication>
#include <QString>

#include <gtest/gtest.h>

#include <memory>

// One QApplication for every test of an executable, on the offscreen platform unless the
// caller chose another. Windows that close never quit it: tests run event loops of their
// own. Each test executable registers one:
//   ::testing::AddGlobalTestEnvironment(new QtTestEnvironment(QStringLiteral("Pellori")));
class QtTestEnvironment : public ::testing::Environment {
public:
    // `applicationName` is QApplication::applicationName(), as the program sets it.
    explicit QtTestEnvironment(const QString& applicationName = {});

    void SetUp() override;
    void TearDown() override;

private:
    QString applicationName_;
    int argc_ = 1;
    char name_[16] = "qt-tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> application_;
};
