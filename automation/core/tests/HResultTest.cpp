#include <gtest/gtest.h>

#include "automation/core/HResult.h"

TEST(HResult, StandardValues)
{
    EXPECT_EQ(static_cast<std::uint32_t>(DISP_E_MEMBERNOTFOUND), 0x80020003u);
    EXPECT_EQ(static_cast<std::uint32_t>(DISP_E_TYPEMISMATCH), 0x80020005u);
    EXPECT_EQ(static_cast<std::uint32_t>(DISP_E_UNKNOWNNAME), 0x80020006u);
    EXPECT_EQ(static_cast<std::uint32_t>(DISP_E_EXCEPTION), 0x80020009u);
    EXPECT_EQ(static_cast<std::uint32_t>(DISP_E_BADPARAMCOUNT), 0x8002000Eu);
    EXPECT_EQ(static_cast<std::uint32_t>(REGDB_E_CLASSNOTREG), 0x80040154u);
    EXPECT_TRUE(Failed(E_FAIL));
    EXPECT_TRUE(Succeeded(S_FALSE));
}

TEST(HResult, TextsOfTheAutomationLayer)
{
    EXPECT_EQ(HResultText(REGDB_E_CLASSNOTREG), "class not registered");
    EXPECT_EQ(HResultText(CO_E_SERVER_EXEC_FAILURE), "server execution failed");
    EXPECT_EQ(HResultText(RPC_E_DISCONNECTED), "the server has disconnected");
    EXPECT_EQ(HResultText(DISP_E_TYPEMISMATCH), "type mismatch");
    EXPECT_EQ(HResultText(DISP_E_MEMBERNOTFOUND), "member not found");
    EXPECT_EQ(HResultText(CO_E_CLASSSTRING), "invalid class string");
}

TEST(HResult, UnknownCodeShowsItsNumber)
{
    EXPECT_EQ(HResultText(MakeHResult(0x8000ABCD)), "unknown error 0x8000ABCD");
}
