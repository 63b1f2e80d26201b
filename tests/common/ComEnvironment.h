// ComEnvironment: COM set up once for a whole test executable, in a
// single-threaded apartment on the main thread. Register it with
// ::testing::AddGlobalTestEnvironment(new ComEnvironment) in one source.
#pragma once

#include <objbase.h>

#include <gtest/gtest.h>

class ComEnvironment : public ::testing::Environment {
public:
    void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override { CoUninitialize(); }
};
