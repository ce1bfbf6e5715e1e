// One QApplication for a whole test program, made once the tests run (not while
// CTest merely lists them). Register it with
//   testing::AddGlobalTestEnvironment(new QtApplication("name", on_start));
#pragma once

#include <gtest/gtest.h>

#include <QApplication>

#include <functional>
#include <utility>

class QtApplication : public testing::Environment {
public:
    explicit QtApplication(const char* name, std::function<void()> on_start = {})
        : name_(name), on_start_(std::move(on_start)) {}

    void SetUp() override
    {
        argv_[0] = const_cast<char*>(name_);
        app_ = new QApplication(argc_, argv_);
        if (on_start_) on_start_();
    }
    void TearDown() override { delete app_; }

private:
    const char* name_;
    std::function<void()> on_start_;
    int argc_ = 1;
    char* argv_[2] = {nullptr, nullptr};
    QApplication* app_ = nullptr;
};
