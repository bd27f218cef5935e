// Every registered kernel form against its scalar reference, on the
// arguments its case maker generates: the edge widths and random ones.
#include <gtest/gtest.h>

#include "kernels/kernel_cases.h"
#include "kokernel/koframe.h"

namespace {

using ko::forms::Form;

std::vector<std::string> KernelNames() {
  std::vector<std::string> v;
  for (size_t i = 0; i < ko::forms::Count(); ++i) v.push_back(ko::forms::At(i).name);
  return v;
}

class KernelForms : public testing::TestWithParam<std::string> {};

TEST_P(KernelForms, MatchReference) {
  const ko::forms::Kernel *k = ko::forms::Find(GetParam().c_str());
  ASSERT_NE(k, nullptr);
  ASSERT_NE(k->fn[ko::forms::kScalar], nullptr) << k->name << " has no scalar reference";
  const kotest::MakeCase make = kotest::FindCase(k->name);
  ASSERT_NE(make, nullptr) << k->name << " is dispatched but has no case maker in tests/kernels";
  kotest::Rng rng(0x6b6f6b65726e656cull ^ std::hash<std::string>()(k->name));
  std::vector<int> widths = kotest::EdgeWidths();
  for (int i = 0; i < 6; ++i) widths.push_back(std::uniform_int_distribution<int>(1, 1500)(rng));
  int formsRun = 0;
  for (int f = ko::forms::kSSE2; f < ko::forms::kFormCount; ++f) {
    if (!k->fn[f] || !ko::forms::HardwareRuns(static_cast<Form>(f))) continue;
    ++formsRun;
    for (int w : widths) {
      auto c = make(*k, rng, w);
      ASSERT_TRUE(c) << k->name << " width " << w;
      c->Run(ko::forms::kScalar);
      c->Run(static_cast<Form>(f));
      const std::string d = c->Diff(static_cast<Form>(f));
      ASSERT_EQ(d, "") << k->name << " " << ko::forms::FormName(static_cast<Form>(f)) << " width " << w;
    }
  }
  if (formsRun == 0) {
    // A kernel with only a scalar form still has its case run once.
    auto c = make(*k, rng, 17);
    ASSERT_TRUE(c);
    c->Run(ko::forms::kScalar);
  }
}

INSTANTIATE_TEST_SUITE_P(Registry, KernelForms, testing::ValuesIn(KernelNames()),
                         [](const testing::TestParamInfo<std::string> &i) {
                           std::string s = i.param;
                           for (char &ch : s)
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return s;
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(KernelForms);

// No case maker without a kernel: a renamed kernel must take its case along.
TEST(KernelRegistry, EveryCaseHasItsKernel) {
  for (const std::string &name : kotest::CaseNames())
    EXPECT_NE(ko::forms::Find(name.c_str()), nullptr) << "case " << name << " names no kernel";
}

TEST(KernelRegistry, ForceCapsEveryFamilyAndFamiliesFollowTheirRules) {
  for (int fam = 0; fam < static_cast<int>(ko::forms::Family::Count); ++fam) {
    const auto family = static_cast<ko::forms::Family>(fam);
    ko::forms::ForceScope scalar(ko::forms::kScalar);
    EXPECT_EQ(ko::forms::Current(family), ko::forms::kScalar) << ko::forms::FamilyName(family);
  }
  // The pixel family follows the processor-support value and the AVX2
  // switch; the signal family its own probe, whatever the support value says.
  using ko::forms::Family;
  ASSERT_TRUE(KoGetCPUSupport(KOCPU_SSE2) & KOCPU_SSE2);
  const ko::forms::Form best = ko::forms::HardwareRuns(ko::forms::kAVX2) ? ko::forms::kAVX2 : ko::forms::kSSE2;
  EXPECT_EQ(ko::forms::Current(Family::Pixels), best);
  const ko::forms::Form signal = ko::forms::Current(Family::Signal);
  KoDisallowCPUSupport(KOCPU_SSE2);
  EXPECT_EQ(ko::forms::Current(Family::Pixels), ko::forms::kScalar);  // AVX2 forms need SSE2 too
  EXPECT_EQ(ko::forms::Current(Family::Signal), signal);
  KoAllowCPUSupport(KOCPU_SSE2);
  ko::forms::AllowAVX2(false);
  EXPECT_EQ(ko::forms::Current(Family::Pixels), ko::forms::kSSE2);
  ko::forms::AllowAVX2(true);
  EXPECT_EQ(ko::forms::Current(Family::Pixels), best);
}

}  // namespace
