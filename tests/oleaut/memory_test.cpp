// BSTR, SAFEARRAY and VARIANT ownership: lengths, embedded NULs, bounds, deep copies.
// Run under AddressSanitizer, which reports any BSTR or array these tests leak.
#include "platform/oleaut/oleauto.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(bstr, lengths_and_embedded_nuls) {
  BSTR s = SysAllocStringLen(L"ab\0cd", 5);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(SysStringLen(s), 5u);
  EXPECT_EQ(SysStringByteLen(s), 5u * sizeof(OLECHAR));
  EXPECT_EQ(s[2], L'\0');
  EXPECT_EQ(s[5], L'\0');
  BSTR t = SysAllocString(s);  // up to the first NUL
  EXPECT_EQ(SysStringLen(t), 2u);
  EXPECT_TRUE(SysReAllocStringLen(&t, s + 3, 2));
  EXPECT_EQ(std::wstring(t, SysStringLen(t)), L"cd");
  SysFreeString(s);
  SysFreeString(t);

  BSTR zeros = SysAllocStringLen(nullptr, 3);
  EXPECT_EQ(std::wstring(zeros, 3), std::wstring(3, L'\0'));
  SysFreeString(zeros);
  BSTR empty = SysAllocString(L"");
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(SysStringLen(empty), 0u);
  SysFreeString(empty);
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  SysFreeString(nullptr);
}

TEST(safearray, byte_vector_bounds_and_redim) {
  SAFEARRAYBOUND bound{5, 0};
  SAFEARRAY* a = SafeArrayCreate(VT_UI1, 1, &bound);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(SafeArrayGetDim(a), 1u);
  EXPECT_EQ(SafeArrayGetElemsize(a), 1u);
  void* data = nullptr;
  ASSERT_EQ(SafeArrayAccessData(a, &data), S_OK);
  std::memcpy(data, "\x01\x02\x03\x04\x05", 5);
  EXPECT_EQ(SafeArrayDestroy(a), DISP_E_ARRAYISLOCKED);
  SAFEARRAYBOUND smaller{4, 7};
  EXPECT_EQ(SafeArrayRedim(a, &smaller), DISP_E_ARRAYISLOCKED);
  ASSERT_EQ(SafeArrayUnaccessData(a), S_OK);
  EXPECT_EQ(SafeArrayUnaccessData(a), E_UNEXPECTED);

  ASSERT_EQ(SafeArrayRedim(a, &smaller), S_OK);
  LONG lower = -1, upper = -1;
  EXPECT_EQ(SafeArrayGetLBound(a, 1, &lower), S_OK);
  EXPECT_EQ(SafeArrayGetUBound(a, 1, &upper), S_OK);
  EXPECT_EQ(lower, 0);  // the old lower bound is kept
  EXPECT_EQ(upper, 3);
  EXPECT_EQ(SafeArrayGetLBound(a, 2, &lower), DISP_E_BADINDEX);
  SAFEARRAYBOUND larger{6, 0};
  ASSERT_EQ(SafeArrayRedim(a, &larger), S_OK);
  EXPECT_EQ(std::memcmp(a->pvData, "\x01\x02\x03\x04\x00\x00", 6), 0);
  SAFEARRAYBOUND none{0, 0};
  ASSERT_EQ(SafeArrayRedim(a, &none), S_OK);
  EXPECT_EQ(SafeArrayGetUBound(a, 1, &upper), S_OK);
  EXPECT_EQ(upper, -1);
  EXPECT_EQ(SafeArrayDestroy(a), S_OK);

  SAFEARRAYBOUND two[2] = {{1, 0}, {1, 0}};
  EXPECT_EQ(SafeArrayCreate(VT_UI1, 2, two), nullptr);
  EXPECT_EQ(SafeArrayCreate(VT_I4, 1, &bound), nullptr);
}

TEST(variant, copy_is_deep_and_clear_frees) {
  VARIANT text, bytes, copy;
  VariantInit(&text);
  VariantInit(&bytes);
  VariantInit(&copy);
  text.vt = VT_BSTR;
  text.bstrVal = SysAllocStringLen(L"x\0y", 3);
  bytes.vt = VT_ARRAY | VT_UI1;
  bytes.parray = SafeArrayCreateVector(VT_UI1, 0, 3);
  std::memcpy(bytes.parray->pvData, "abc", 3);

  ASSERT_EQ(VariantCopy(&copy, &text), S_OK);
  EXPECT_NE(copy.bstrVal, text.bstrVal);
  EXPECT_EQ(std::wstring(copy.bstrVal, SysStringLen(copy.bstrVal)), std::wstring(L"x\0y", 3));
  ASSERT_EQ(VariantCopy(&copy, &bytes), S_OK);  // replaces (and frees) the copied text
  EXPECT_NE(copy.parray, bytes.parray);
  EXPECT_EQ(std::memcmp(copy.parray->pvData, "abc", 3), 0);
  EXPECT_EQ(VariantCopy(&copy, &copy), S_OK);  // onto itself: unchanged
  EXPECT_EQ(std::memcmp(copy.parray->pvData, "abc", 3), 0);

  VARIANT dec;
  VariantInit(&dec);
  dec.decVal.Lo32 = 5;
  dec.decVal.scale = 1;
  dec.vt = VT_DECIMAL;
  ASSERT_EQ(VariantCopy(&text, &dec), S_OK);
  EXPECT_EQ(text.vt, VT_DECIMAL);
  EXPECT_EQ(text.decVal.Lo32, 5u);
  EXPECT_EQ(text.decVal.scale, 1);

  for (VARIANT* v : {&text, &bytes, &copy}) {
    EXPECT_EQ(VariantClear(v), S_OK);
    EXPECT_EQ(v->vt, VT_EMPTY);
  }
}

}  // namespace
