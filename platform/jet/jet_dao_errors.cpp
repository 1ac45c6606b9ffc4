// DAO's error texts and the Errors and Error objects.
#include "platform/jet/jet_dao_errors.h"

#include "platform/jet/jet_dao_support.h"

namespace dao_impl {

namespace {

struct error_text {
  long number;
  const wchar_t* text;
};

// DAO's own wording, so that messages and logs read as they do with the real engine.
constexpr error_text error_texts[] = {
    {3001, L"Invalid argument."},
    {3020, L"Update or CancelUpdate without AddNew or Edit."},
    {3021, L"No current record."},
    {3022,
     L"The changes you requested to the table were not successful because they would create duplicate values in the index, primary key, or relationship. Change the data in the field or fields that contain duplicate data, remove the index, or redefine the index to permit duplicate entries and try again."},
    {3024, L"Could not find file '|'."},
    {3027, L"Cannot update. Database or object is read-only."},
    {3028,
     L"Cannot start your application. The workgroup information file is missing or opened exclusively by another user."},
    {3029, L"Not a valid account name or password."},
    {3031, L"Not a valid password."},
    {3047, L"Record is too large."},
    {3058, L"Index or primary key cannot contain a Null value."},
    {3049,
     L"Cannot open database '|'. It may not be a database that your application recognizes, or the file may be corrupt."},
    {3078,
     L"The database engine cannot find the input table or query '|'. Make sure it exists and that its name is spelled correctly."},
    {3163,
     L"The field is too small to accept the amount of data you attempted to add. Try inserting or pasting less data."},
    {3201, L"You cannot add or change a record because a related record is required in table '|'."},
    {3219, L"Invalid operation."},
    {3251, L"Operation is not supported for this type of object."},
    {3259, L"Invalid field data type."},
    {3264, L"No field defined--cannot append TableDef or Index."},
    {3265, L"Item not found in this collection."},
    {3283, L"Primary key already exists."},
    {3284, L"Index already exists."},
    {3303, L"Cannot delete this index or table. It is either the current index or is used in a relationship."},
    {3270, L"Property not found."},
    {3314,
     L"The field '|' cannot contain a Null value because the Required property for this field is set to True. Enter a value in this field."},
    {3315, L"Field '|' cannot be a zero-length string."},
    {3343, L"Unrecognized database format '|'."},
    {3349, L"Numeric field overflow."},
    {3366, L"Cannot append a relation with no fields defined."},
    {3367, L"Cannot append. An object with that name already exists in the collection."},
    {3368, L"Relationship must be on the same number of fields with the same data types."},
    {3379,
     L"Cannot create relationship to enforce referential integrity. Existing data in table '|' violates referential integrity rules with related table."},
    {3409, L"Invalid field name '|' in definition of index or relationship."},
    {3420, L"Object invalid or no longer set."},
    {3421, L"Data type conversion error."},
    {3609, L"No unique index found for the referenced field of the primary table."},
    {3626,
     L"The operation failed. There are too many indexes on table '|'. Delete some of the indexes on the table and try the operation again."},
};

class error_object : public com_object<DAOError> {
 public:
  explicit error_object(dao_error_entry e) : e_(std::move(e)) {}
  HRESULT get_Number(LONG* pl) override { return out_value(pl, e_.number); }
  HRESULT get_Source(BSTR* p) override { return out_bstr(p, e_.source); }
  HRESULT get_Description(BSTR* p) override { return out_bstr(p, e_.description); }
  HRESULT get_HelpFile(BSTR* p) override { return out_bstr(p, L""); }
  HRESULT get_HelpContext(LONG* pl) override { return out_value(pl, 5000000 + e_.number); }

 protected:
  bool answers(REFIID riid) const override { return riid == IID_DAOError; }

 private:
  dao_error_entry e_;
};

class errors_object : public com_object<DAOErrors> {
 public:
  explicit errors_object(std::vector<dao_error_entry> list) : list_(std::move(list)) {}
  HRESULT get_Count(short* c) override { return out_value(c, list_.size()); }
  HRESULT get_Item(VARIANT item, DAOError** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    item_key k = read_item_key(item);
    if (!k.ordinal || *k.ordinal < 0 || static_cast<std::size_t>(*k.ordinal) >= list_.size())
      return dao_hresult(dao_err_item_not_found);
    *out = new error_object(list_[static_cast<std::size_t>(*k.ordinal)]);
    return S_OK;
  }
  HRESULT Refresh() override { return S_OK; }

 protected:
  bool answers(REFIID riid) const override { return riid == IID_DAOErrors; }

 private:
  std::vector<dao_error_entry> list_;
};

}  // namespace

std::wstring dao_error_text(long number, const std::wstring& argument) {
  for (const auto& e : error_texts) {
    if (e.number != number) continue;
    std::wstring out;
    for (const wchar_t* p = e.text; *p; ++p) {
      if (*p == L'|')
        out += argument;
      else
        out.push_back(*p);
    }
    return out;
  }
  return L"Reserved error (" + std::to_wstring(number) + L"); there is no message for this error.";
}

std::wstring dao_damaged_file_text(const std::wstring& path, const std::wstring& what) {
  return L"The Access file '" + path + L"' is damaged: " + what + L".";
}

std::wstring dao_damaged_table_text(const std::wstring& table, const std::wstring& what) {
  return L"Table '" + table + L"' cannot be read whole, the Access file is damaged: " + what + L".";
}

HRESULT dao_error_list::fail(long number, const std::wstring& argument) {
  return fail_described(number, dao_error_text(number, argument));
}

HRESULT dao_error_list::fail_described(long number, const std::wstring& description) {
  dao_error_entry e;
  e.number = number;
  e.description = description;
  e.source = L"DAO.DBEngine";
  std::lock_guard<std::mutex> lock(mutex_);
  errors_.assign(1, std::move(e));
  return dao_hresult(static_cast<unsigned>(number));
}

std::vector<dao_error_entry> dao_error_list::snapshot() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return errors_;
}

DAOErrors* make_errors(const dao_error_list& list) { return new errors_object(list.snapshot()); }

}  // namespace dao_impl
