// Appending rows to an Access table when the engine refuses part of a row: a row too large for
// Access, another DAO error, a record that does not fit the table. The file writer cannot yet be
// made to fail on demand, so a test double stands in front of the stand-in's recordset: it
// forwards every read to the real one over a real table and fails the write members as told.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "OLE/ole_date.h"
#include "TK/tk_utils.h"
#include "dao/dao_bstr.h"
#include "dao/dao_exception.h"
#include "dao/dao_record.h"
#include "dao/dao_recordset.h"
#include "dao/ole_com_ptr.h"
#include "platform/oleaut/com_object.h"
#include "platform/oleaut/objbase.h"
#include "tests/dao/dao_source_util.h"

namespace {

// The error the doubles last raised, as the engine's Errors collection reports it.
struct injected_error {
  long number = 0;
  std::wstring text;
};
injected_error last_error;

HRESULT fail(long number, const wchar_t* text) {
  last_error = {number, text};
  return static_cast<HRESULT>(0x800A0000u | static_cast<unsigned>(number));
}

class error_double : public com_object<DAOError> {
 public:
  HRESULT get_Number(LONG* n) override { return *n = last_error.number, S_OK; }
  HRESULT get_Source(BSTR* s) override { return *s = SysAllocString(L"DAO.Recordset"), S_OK; }
  HRESULT get_Description(BSTR* s) override { return *s = SysAllocString(last_error.text.c_str()), S_OK; }
  HRESULT get_HelpFile(BSTR* s) override { return *s = nullptr, S_OK; }
  HRESULT get_HelpContext(LONG* n) override { return *n = 0, S_OK; }

 protected:
  bool answers(REFIID riid) const override { return riid == IID_DAOError; }
};

class errors_double : public com_object<DAOErrors> {
 public:
  HRESULT get_Count(short* c) override { return *c = 1, S_OK; }
  HRESULT get_Item(VARIANT, DAOError** out) override { return *out = new error_double(), S_OK; }
  HRESULT Refresh() override { return S_OK; }

 protected:
  bool answers(REFIID riid) const override { return riid == IID_DAOErrors; }
};

// The engine a dao_exception reads its error from; it does nothing else.
class engine_double : public com_object<_DAODBEngine> {
 public:
  HRESULT get_Properties(DAOProperties**) override { return E_NOTIMPL; }
  HRESULT get_Version(BSTR*) override { return E_NOTIMPL; }
  HRESULT get_Errors(DAOErrors** out) override { return *out = new errors_double(), S_OK; }
  HRESULT get_SystemDB(BSTR*) override { return E_NOTIMPL; }
  HRESULT put_SystemDB(BSTR) override { return E_NOTIMPL; }
  HRESULT put_DefaultUser(BSTR) override { return E_NOTIMPL; }
  HRESULT put_DefaultPassword(BSTR) override { return E_NOTIMPL; }
  HRESULT CreateWorkspace(BSTR, BSTR, BSTR, VARIANT, DAOWorkspace**) override { return E_NOTIMPL; }
  HRESULT OpenDatabase(BSTR, VARIANT, VARIANT, VARIANT, DAODatabase**) override { return E_NOTIMPL; }
  HRESULT CreateDatabase(BSTR, BSTR, VARIANT, DAODatabase**) override { return E_NOTIMPL; }
  HRESULT Idle(VARIANT) override { return E_NOTIMPL; }

 protected:
  bool answers(REFIID riid) const override { return riid == IID__DAODBEngine; }
};

using row = std::map<std::wstring, ole_variant>;

// Reads go to the real recordset; rows are kept here. Like DAO, a second AddNew while a row is
// pending is refused, so a pending row left behind shows.
class recordset_double : public com_object<DAORecordset> {
 public:
  explicit recordset_double(DAORecordset* real) : real_(real) {}

  std::vector<row> committed;
  int cancelled = 0;
  std::map<std::wstring, long> collect_errors;  // column -> DAO error of its first assignment
  std::vector<long> update_errors;              // DAO errors of the next Update calls

  HRESULT get_Properties(DAOProperties** p) override { return real_->get_Properties(p); }
  HRESULT get_BOF(VARIANT_BOOL* b) override { return real_->get_BOF(b); }
  HRESULT get_EOF(VARIANT_BOOL* b) override { return real_->get_EOF(b); }
  HRESULT get_Name(BSTR* s) override { return real_->get_Name(s); }
  HRESULT get_RecordCount(LONG* n) override { return real_->get_RecordCount(n); }
  HRESULT get_Type(short* t) override { return real_->get_Type(t); }
  HRESULT get_Updatable(VARIANT_BOOL* b) override { return real_->get_Updatable(b); }
  HRESULT get_Fields(DAOFields** f) override { return real_->get_Fields(f); }
  HRESULT MoveFirst() override { return real_->MoveFirst(); }
  HRESULT MoveLast(LONG o) override { return real_->MoveLast(o); }
  HRESULT MoveNext() override { return real_->MoveNext(); }
  HRESULT MovePrevious() override { return real_->MovePrevious(); }
  HRESULT Close() override { return real_->Close(); }
  HRESULT Edit() override { return real_->Edit(); }
  HRESULT Delete() override { return real_->Delete(); }

  HRESULT AddNew() override {
    if (pending_) return fail(3331, L"To make changes to this field, first save the record.");
    pending_ = row();
    return S_OK;
  }
  HRESULT put_Collect(VARIANT item, VARIANT value) override {
    if (!pending_) return fail(3020, L"Update or CancelUpdate without AddNew or Edit.");
    std::wstring name(item.bstrVal);
    auto planned = collect_errors.find(name);
    if (planned != collect_errors.end()) {
      long number = planned->second;
      collect_errors.erase(planned);
      return fail(number, number == 3047 ? L"Record is too large." : L"Field is too small.");
    }
    ole_variant copy;
    VariantCopy(&copy.get_variant(), &value);
    (*pending_)[name] = copy;
    return S_OK;
  }
  HRESULT Update(LONG, VARIANT_BOOL) override {
    if (!pending_) return fail(3020, L"Update or CancelUpdate without AddNew or Edit.");
    if (!update_errors.empty()) {
      long number = update_errors.front();
      update_errors.erase(update_errors.begin());
      return fail(number, L"Record is too large.");
    }
    committed.push_back(*pending_);
    pending_.reset();
    return S_OK;
  }
  HRESULT CancelUpdate(LONG) override {
    if (!pending_) return fail(3020, L"Update or CancelUpdate without AddNew or Edit.");
    pending_.reset();
    ++cancelled;
    return S_OK;
  }

 protected:
  bool answers(REFIID riid) const override { return riid == IID_DAORecordset; }

 private:
  ole_com_ptr<DAORecordset> real_;
  std::optional<row> pending_;
};

// Table1 of a real Jet 4 file (A Text 50, B Text 100, C Byte, D Integer, E Long, F Double,
// G Date, H Currency, I Boolean NOT NULL, two rows), written through the double. The double's
// engine is made last, so the errors of the run are read from it.
class append_test : public ::testing::Test {
 protected:
  void SetUp() override {
    source_ = dao_source_test::open_testdata("access/jet4/testV2000.mdb", dao_open_read_only);
    ASSERT_EQ(com_register_class(CLSID_DAODBEngine120,
                                 [](REFIID riid, void** ppv) {
                                   auto* e = new engine_double();
                                   HRESULT hr = e->QueryInterface(riid, ppv);
                                   e->Release();
                                   return hr;
                                 }),
              S_OK);
    errors_engine_ = std::make_unique<dao_engine>(true, 0);
    ASSERT_TRUE(errors_engine_->set_version_if(dao_code_acc2007));

    // The real table definition and recordset, as get_table opens them.
    ole_com_ptr<DAOTableDefs> defs;
    ASSERT_EQ(database()->get_TableDefs(defs.out()), S_OK);
    ole_variant key(std::wstring(L"Table1"));
    ASSERT_EQ(defs->get_Item(key.get_variant(), table_def_.out()), S_OK);
    ole_variant type(static_cast<short>(dbOpenTable));
    ole_variant options(static_cast<int>(dbReadOnly));
    ole_com_ptr<DAORecordset> real;
    ASSERT_EQ(table_def_->OpenRecordset(type.get_variant(), options.get_variant(), real.out()), S_OK);
    double_ = new recordset_double(real.get());
    target_ = std::make_unique<dao_recordset>(source_.db.get(), L"Table1", double_, table_def_.get());
    double_->Release();  // the recordset holds its own reference
    source_.db->report_error = [this](const std::string& context, const tk_exception& e) {
      reports.push_back(context + ": " + e.what());
    };
  }
  void TearDown() override {
    target_.reset();
    table_def_.release();
    errors_engine_.reset();
    com_revoke_class(CLSID_DAODBEngine120);
  }

  // The test file opened once more through the real engine, for its table definition.
  DAODatabase* database() {
    if (!database_) {
      std::wstring path = tk_utf8_to_unicode(test_env::testdata_path("access/jet4/testV2000.mdb"));
      ole_variant no(false), yes(true), connect{std::wstring()};
      EXPECT_EQ(source_.engine->get_db_engine()->OpenDatabase(dao_bstr(path), no.get_variant(), yes.get_variant(),
                                                              connect.get_variant(), database_.out()),
                S_OK);
    }
    return database_.get();
  }

  // A record of Table1 in its column order; `size` fields (all by default).
  std::unique_ptr<udb_record> record(std::size_t size = 9) {
    auto r = std::make_unique<udb_record>();
    const std::vector<std::pair<const wchar_t*, ole_variant>> values = {
        {L"A", ole_variant(L"first")},
        {L"B", ole_variant(std::wstring(100, L'b'))},
        {L"C", ole_variant(static_cast<unsigned char>(7))},
        {L"D", ole_variant(static_cast<short>(-3))},
        {L"E", ole_variant(70000)},
        {L"F", ole_variant(2.5)},
        {L"G", ole_variant(ole_date(std::string("2003-01-02 10:30:00")))},
        {L"H", ole_variant(12.25)},
        {L"I", ole_variant(true)},
    };
    for (std::size_t i = 0; i < size; ++i)
      r->append(std::make_unique<udb_field>(values[i].first, 0, values[i].second, false, false));
    return r;
  }

  dao_source_test::opened source_;
  std::unique_ptr<dao_engine> errors_engine_;
  ole_com_ptr<DAODatabase> database_;
  ole_com_ptr<_DAOTableDef> table_def_;
  recordset_double* double_ = nullptr;  // owned by target_
  std::unique_ptr<dao_recordset> target_;
  std::vector<std::string> reports;
};

TEST_F(append_test, a_row_of_every_column_is_committed_whole) {
  auto r = record();
  target_->append_record(*r);
  ASSERT_EQ(double_->committed.size(), 1u);
  const row& written = double_->committed[0];
  EXPECT_EQ(written.size(), 9u);
  EXPECT_EQ(written.at(L"A").to_string(), "first");
  EXPECT_EQ(written.at(L"E").to_string(), "70000");
  EXPECT_EQ(written.at(L"G").get_type(), VT_DATE);
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(target_->get_record_count(), 3);
}

TEST_F(append_test, a_value_too_large_for_the_row_is_left_out_reported_and_the_row_kept) {
  double_->collect_errors[L"B"] = 3047;
  auto r = record();
  target_->append_record(*r);
  ASSERT_EQ(double_->committed.size(), 1u);
  const row& written = double_->committed[0];
  EXPECT_EQ(written.at(L"B").get_type(), VT_EMPTY);
  EXPECT_EQ(written.at(L"C").to_string(), "7");  // the columns after it are still written
  EXPECT_EQ(written.at(L"I").get_type(), VT_BOOL);
  EXPECT_EQ(
      reports,
      (std::vector<std::string>{"Table 'Table1', row 3, column 'B': the value is left out: Record is too large."}));
}

TEST_F(append_test, a_row_too_large_to_store_loses_its_last_values_until_it_fits) {
  double_->update_errors = {3047, 3047};
  auto r = record();
  target_->append_record(*r);
  ASSERT_EQ(double_->committed.size(), 1u);
  const row& written = double_->committed[0];
  EXPECT_EQ(written.at(L"I").get_type(), VT_EMPTY);
  EXPECT_EQ(written.at(L"H").get_type(), VT_EMPTY);
  EXPECT_EQ(written.at(L"G").get_type(), VT_DATE);
  EXPECT_EQ(reports, (std::vector<std::string>{
                         "Table 'Table1', row 3, column 'I': the value is left out: Record is too large.",
                         "Table 'Table1', row 3, column 'H': the value is left out: Record is too large."}));
}

TEST_F(append_test, a_row_that_cannot_fit_fails_and_is_cancelled) {
  // Every value left out and the row still too large: the row fails and is not left pending.
  double_->update_errors = std::vector<long>(10, 3047);
  auto r = record();
  try {
    target_->append_record(*r);
    ADD_FAILURE() << "no error";
  } catch (const dao_exception& e) {
    EXPECT_EQ(std::string(e.what()), "Record is too large.");
  }
  EXPECT_TRUE(double_->committed.empty());
  EXPECT_EQ(double_->cancelled, 1);
  EXPECT_EQ(reports.size(), 9u);
}

TEST_F(append_test, a_failed_row_is_cancelled_and_the_next_one_is_written) {
  const struct {
    const char* label;
    std::size_t fields;
    long collect_error;  // 0: none
    const char* message;
  } cases[] = {
      {"one field fewer than columns", 8, 0,
       "The structures of data source does not conform to the destination table."},
      {"another DAO error on a value", 9, 3163, "Field is too small."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    double_->committed.clear();
    double_->cancelled = 0;
    if (c.collect_error) double_->collect_errors[L"D"] = c.collect_error;
    auto bad = record(c.fields);
    try {
      target_->append_record(*bad);
      ADD_FAILURE() << "no error";
    } catch (const tk_exception& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
    EXPECT_EQ(double_->cancelled, 1);
    auto good = record();
    target_->append_record(*good);
    EXPECT_EQ(double_->committed.size(), 1u);
  }
  EXPECT_TRUE(reports.empty());
}

}  // namespace
