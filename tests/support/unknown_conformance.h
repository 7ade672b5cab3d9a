// The IUnknown conformance suite that every COM class of the project instantiates:
//
//   INSTANTIATE_TEST_SUITE_P(MemoryStream, UnknownConformance, ::testing::Values(UnknownSubject{
//       "MemoryStream",
//       [] { ComPtr<IStream> s; CreateStreamOnHGlobal(nullptr, TRUE, s.ReleaseAndGetAddressOf());
//            return ComPtr<IUnknown>(s.Get()); },
//       {IID_IStream, IID_ISequentialStream},
//       [] { return PlatformObjectCounter().Count(); }}),
//       UnknownSubjectName);
//
// It checks QueryInterface identity, reflexivity, symmetry and transitivity over the claimed
// interfaces, E_NOINTERFACE with a null result for others, E_POINTER for a null out-pointer,
// and that AddRef/Release balance destroys the object exactly at the last Release.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/com/unknown.h"

struct UnknownSubject {
    std::string Name;  // letters, digits and '_' only (it names the test)
    // A new object; the returned pointer holds the only reference the test knows of.
    std::function<ComPtr<IUnknown>()> Create;
    // The interfaces the object claims (IUnknown is implied).
    std::vector<IID> Interfaces;
    // Live objects of the subject's kind (a module's or the platform's object counter).
    std::function<long()> LiveObjects;
};

// Test names and failure messages show the subject by its name.
inline void PrintTo(const UnknownSubject& subject, std::ostream* os) { *os << subject.Name; }

class UnknownConformance : public ::testing::TestWithParam<UnknownSubject> {};

std::string UnknownSubjectName(const ::testing::TestParamInfo<UnknownSubject>& info);

// Keeps the suite's object file in every test program that includes this header.
int LinkUnknownConformance();
namespace {
[[maybe_unused]] const int kUnknownConformanceLinked = LinkUnknownConformance();
}
