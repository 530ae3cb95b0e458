#ifndef TESTING_FAKE_PROPERTY_STORE_H_
#define TESTING_FAKE_PROPERTY_STORE_H_

#include "base/win/windows_types.h"

#include <propidl.h>
#include <propsys.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace base {
namespace win {

// A property store for tests: it answers as the test sets and records every
// write. It lives on the test's stack; the reference count only catches an
// extra release or a leaked reference (|references| back at 0).
//
//   FakePropertyStore store;
//   store.set_value_result = E_FAIL;
//   EXPECT_FALSE(SetAppIdForPropertyStore(&store, L"Velto.Browser"));
class FakePropertyStore : public IPropertyStore {
 public:
  // One SetValue call as received.
  struct Write {
    PROPERTYKEY key;
    VARTYPE type;
    std::wstring text;
    VARIANT_BOOL flag;
  };

  HRESULT set_value_result = S_OK;
  HRESULT commit_result = S_OK;
  HRESULT get_value_result = S_OK;
  // Handed out (copied) by GetValue for property id 5, and for any other id.
  // Not owned: point pwszVal at the test's own text.
  PROPVARIANT app_id_value = {};
  PROPVARIANT other_value = {};
  std::vector<Write> writes;
  int commits = 0;
  int references = 0;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IPropertyStore) return E_NOINTERFACE;
    *out = static_cast<IPropertyStore*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override {
    EXPECT_GT(references, 0);
    return --references;
  }
  HRESULT STDMETHODCALLTYPE GetCount(DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetAt(DWORD, PROPERTYKEY*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetValue(REFPROPERTYKEY key,
                                     PROPVARIANT* value) override {
    EXPECT_EQ(VT_EMPTY, value->vt);  // Callers hand in a cleared variant.
    if (FAILED(get_value_result)) return get_value_result;
    return ::PropVariantCopy(value,
                             key.pid == 5 ? &app_id_value : &other_value);
  }
  HRESULT STDMETHODCALLTYPE SetValue(REFPROPERTYKEY key,
                                     REFPROPVARIANT value) override {
    Write write = {key, value.vt, L"", VARIANT_FALSE};
    if (value.vt == VT_LPWSTR && value.pwszVal) write.text = value.pwszVal;
    if (value.vt == VT_BOOL) write.flag = value.boolVal;
    writes.push_back(write);
    return set_value_result;
  }
  HRESULT STDMETHODCALLTYPE Commit() override {
    ++commits;
    return commit_result;
  }
};

}  // namespace win
}  // namespace base

#endif  // TESTING_FAKE_PROPERTY_STORE_H_
