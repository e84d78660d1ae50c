// Run-time errors: numbers and texts, and the conversions that raise them.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>

#include "application.h"
#include "conversions.h"
#include "error_of.h"
#include "runtime_error.h"

namespace {

using velmora::runtime::divideSingles;
using velmora::runtime::roundToLong;
using velmora::runtime::RuntimeError;
using velmora::runtime::unhandledErrorText;

using velmora::test::errorNumberOf;

TEST(RuntimeError, CarriesTheRuntimesNumbersAndTexts) {
    EXPECT_EQ(RuntimeError::overflow().number(), 6);
    EXPECT_EQ(RuntimeError::overflow().description(), L"Overflow");
    EXPECT_EQ(RuntimeError::subscriptOutOfRange().number(), 9);
    EXPECT_EQ(RuntimeError::subscriptOutOfRange().description(), L"Subscript out of range");
    EXPECT_EQ(RuntimeError::divisionByZero().number(), 11);
    EXPECT_EQ(RuntimeError::fileNotFound(L"Grayscale.dll").number(), 53);
    EXPECT_EQ(RuntimeError::fileNotFound(L"Grayscale.dll").description(), L"File not found: Grayscale.dll");
    EXPECT_EQ(RuntimeError::entryPointNotFound(L"ConvertToGray", L"Grayscale.dll").number(), 453);
    EXPECT_EQ(RuntimeError::entryPointNotFound(L"ConvertToGray", L"Grayscale.dll").description(),
              L"Can't find DLL entry point ConvertToGray in Grayscale.dll");
}

TEST(RuntimeError, FailureCodesOfObjectAccessesBecomeErrors) {
    EXPECT_EQ(RuntimeError::fromHresult(E_FAIL).number(), static_cast<long>(E_FAIL));
    EXPECT_EQ(RuntimeError::fromHresult(E_FAIL).description().rfind(L"Automation error", 0), 0u);
    // A code in the runtime's own facility carries the runtime's error number
    // and text.
    for (const auto& [number, text] : {std::pair{9, L"Subscript out of range"}, {380, L"Invalid property value"},
                                       {481, L"Invalid picture"}, {521, L"Can't open Clipboard"},
                                       {31999, L"Application-defined or object-defined error"}}) {
        const RuntimeError error = RuntimeError::fromHresult(MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, number));
        EXPECT_EQ(error.number(), number);
        EXPECT_EQ(error.description(), text);
    }
    EXPECT_EQ(errorNumberOf([] { velmora::runtime::raiseOnFailure(E_OUTOFMEMORY); }),
              static_cast<long>(E_OUTOFMEMORY));
    EXPECT_EQ(errorNumberOf([] { velmora::runtime::raiseOnFailure(S_FALSE); }), 0);
}

TEST(RuntimeError, DefaultHandlingTextNamesTheNumber) {
    EXPECT_EQ(unhandledErrorText(RuntimeError::overflow()), L"Run-time error '6':\n\nOverflow");
    EXPECT_EQ(unhandledErrorText(RuntimeError(static_cast<long>(E_FAIL), L"Automation error")),
              L"Run-time error '-2147467259 (80004005)':\n\nAutomation error");
}

TEST(RoundToLong, RoundsHalvesToTheEvenNeighbour) {
    EXPECT_EQ(roundToLong(0.5f), 0);
    EXPECT_EQ(roundToLong(1.5f), 2);
    EXPECT_EQ(roundToLong(2.5f), 2);
    EXPECT_EQ(roundToLong(-2.5f), -2);
    EXPECT_EQ(roundToLong(1365.5f), 1366);
    EXPECT_EQ(roundToLong(1366.5f), 1366);
    EXPECT_EQ(roundToLong(1367.5f), 1368);
    EXPECT_EQ(roundToLong(1919.6f), 1920);
    EXPECT_EQ(roundToLong(-1.0f), -1);
    EXPECT_EQ(roundToLong(2147483520.0f), 2147483520L);  // the largest float below 2^31
    EXPECT_EQ(roundToLong(-2147483648.0f), std::numeric_limits<long>::min());
}

TEST(RoundToLong, ValuesBeyondThirtyTwoBitsOverflow) {
    EXPECT_EQ(errorNumberOf([] { roundToLong(2147483648.0f); }), 6);
    EXPECT_EQ(errorNumberOf([] { roundToLong(-2147483904.0f); }), 6);
    EXPECT_EQ(errorNumberOf([] { roundToLong(std::numeric_limits<float>::infinity()); }), 6);
    EXPECT_EQ(errorNumberOf([] { roundToLong(std::nanf("")); }), 6);
}

TEST(DivideSingles, DividesAndRaisesTheFloatingPointErrors) {
    EXPECT_EQ(divideSingles(28800.0f, 15.0f), 1920.0f);
    EXPECT_EQ(divideSingles(20490.0f, 15.0f), 1366.0f);
    EXPECT_EQ(errorNumberOf([] { divideSingles(28800.0f, 0.0f); }), 11);
    EXPECT_EQ(errorNumberOf([] { divideSingles(0.0f, 0.0f); }), 6);
    EXPECT_EQ(errorNumberOf([] { divideSingles(3e38f, 1e-3f); }), 6);
}

}  // namespace
