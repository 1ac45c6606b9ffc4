// The read-only collections of the DAO model (TableDefs, QueryDefs, Relations, Indexes): items
// found by ordinal or, without regard to case, by name; a missing item is DAO error 3265.
#pragma once

#include <string>
#include <vector>

#include "platform/jet/jet_dao_model.h"

namespace dao_impl {

// A read-only collection of objects of one interface, found by ordinal or by name.
template <class Collection, class Item, const IID& collection_iid>
class named_collection : public com_object<Collection> {
 public:
  named_collection(std::vector<ref<Item>> items, std::vector<std::wstring> names, error_sink errors)
      : items_(std::move(items)), names_(std::move(names)), errors_(std::move(errors)) {}
  HRESULT get_Count(short* c) override { return out_value(c, items_.size()); }
  HRESULT get_Item(VARIANT item, Item** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    item_key k = read_item_key(item);
    if (!k.valid) return errors_->fail(dao_err_item_not_found);
    if (k.ordinal) {
      if (*k.ordinal < 0 || static_cast<std::size_t>(*k.ordinal) >= items_.size())
        return errors_->fail(dao_err_item_not_found);
      return items_[static_cast<std::size_t>(*k.ordinal)].copy_to(out);
    }
    for (std::size_t i = 0; i < names_.size(); ++i)
      if (jet::jet_compare_names(names_[i], k.name) == 0) return items_[i].copy_to(out);
    return errors_->fail(dao_err_item_not_found);
  }
  HRESULT Append(IDispatch*) override { return errors_->fail(dao_err_read_only); }
  HRESULT Delete(BSTR) override { return errors_->fail(dao_err_read_only); }
  HRESULT Refresh() override { return S_OK; }

 protected:
  bool answers(REFIID riid) const override { return riid == collection_iid; }

 private:
  std::vector<ref<Item>> items_;
  std::vector<std::wstring> names_;
  error_sink errors_;
};

}  // namespace dao_impl
