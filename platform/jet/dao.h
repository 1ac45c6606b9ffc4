// The DAO object model as the Access source calls it: the engine's interfaces with DAO's own
// names, identities, type codes and attribute bits. Objects come from CoCreateInstance with one of
// the engine CLSIDs below, once dao_register_engine() has put the engine into the class table.
// Every method answers an HRESULT; a DAO failure answers 0x800A0000 | the DAO error number and
// fills the engine's Errors collection with DAO's text.
#pragma once

#include "platform/oleaut/com_object.h"
#include "platform/oleaut/oleauto.h"

// ---- Class and interface identities ----
// The engine classes: DAO 3.5 / 3.6 and the Access 2007+ engine. All three open every format.
constexpr CLSID CLSID_DAODBEngine35 = {0x00000100, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};
constexpr CLSID CLSID_DAODBEngine36 = {0x00000100, 0x0000, 0x0100, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};
constexpr CLSID CLSID_DAODBEngine120 = {0xCD7791B9, 0x43FD, 0x42C5, {0xAE, 0x42, 0x8D, 0xD2, 0x81, 0x1F, 0x04, 0x19}};

constexpr IID dao_iid(DWORD n) { return {n, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}}; }
constexpr IID IID__DAODBEngine = dao_iid(0x21);
constexpr IID IID_DAOError = dao_iid(0x23);
constexpr IID IID_DAOErrors = dao_iid(0x25);
constexpr IID IID_DAOProperty = dao_iid(0x27);
constexpr IID IID_DAOProperties = dao_iid(0x29);
constexpr IID IID_DAORecordset = dao_iid(0x31);
constexpr IID IID_DAOWorkspace = dao_iid(0x39);
constexpr IID IID__DAOTableDef = dao_iid(0x49);
constexpr IID IID_DAOTableDefs = dao_iid(0x4B);
constexpr IID IID__DAOField = dao_iid(0x51);
constexpr IID IID_DAOFields = dao_iid(0x53);
constexpr IID IID__DAOIndex = dao_iid(0x59);
constexpr IID IID_DAOIndexes = dao_iid(0x5B);
constexpr IID IID_DAOIndexFields = dao_iid(0x5D);
constexpr IID IID_DAODatabase = dao_iid(0x71);
constexpr IID IID__DAOQueryDef = dao_iid(0x79);
constexpr IID IID_DAOQueryDefs = dao_iid(0x7B);
constexpr IID IID__DAORelation = dao_iid(0x89);
constexpr IID IID_DAORelations = dao_iid(0x8B);

// ---- Enumerations ----
enum DataTypeEnum : short {
  dbBoolean = 1,
  dbByte = 2,
  dbInteger = 3,
  dbLong = 4,
  dbCurrency = 5,
  dbSingle = 6,
  dbDouble = 7,
  dbDate = 8,
  dbBinary = 9,
  dbText = 10,
  dbLongBinary = 11,
  dbMemo = 12,
  dbGUID = 15,
  dbBigInt = 16,
  dbVarBinary = 17,
  dbChar = 18,
  dbNumeric = 19,
  dbDecimal = 20,
  dbFloat = 21,
  dbTime = 22,
  dbTimeStamp = 23,
  dbAttachment = 101,
  dbComplexByte = 102,
  dbComplexInteger = 103,
  dbComplexLong = 104,
  dbComplexSingle = 105,
  dbComplexDouble = 106,
  dbComplexGUID = 107,
  dbComplexDecimal = 108,
  dbComplexText = 109,
};

enum FieldAttributeEnum : LONG {
  dbFixedField = 0x1,
  dbVariableField = 0x2,
  dbAutoIncrField = 0x10,
  dbUpdatableField = 0x20,
  dbSystemField = 0x2000,
  dbHyperlinkField = 0x8000,
  dbDescending = 0x1,
};

enum TableDefAttributeEnum : LONG {
  dbHiddenObject = 0x1,
  dbSystemObject = static_cast<LONG>(0x80000002u),
  dbAttachedTable = 0x40000000,
  dbAttachedODBC = 0x20000000,
  dbAttachExclusive = 0x10000,
  dbAttachSavePWD = 0x20000,
};

enum RelationAttributeEnum : LONG {
  dbRelationUnique = 0x1,
  dbRelationDontEnforce = 0x2,
  dbRelationInherited = 0x4,
  dbRelationUpdateCascade = 0x100,
  dbRelationDeleteCascade = 0x1000,
  dbRelationLeft = 0x1000000,
  dbRelationRight = 0x2000000,
};

enum QueryDefTypeEnum : short {
  dbQSelect = 0,
  dbQProcedure = 0xE0,
  dbQAction = 0xF0,
  dbQCrosstab = 0x10,
  dbQDelete = 0x20,
  dbQUpdate = 0x30,
  dbQAppend = 0x40,
  dbQMakeTable = 0x50,
  dbQDDL = 0x60,
  dbQSQLPassThrough = 0x70,
  dbQSetOperation = 0x80,
  dbQSPTBulk = 0x90,
  dbQCompound = 0xA0,
};

enum RecordsetTypeEnum : short { dbOpenTable = 1, dbOpenDynaset = 2, dbOpenSnapshot = 4, dbOpenForwardOnly = 8 };
enum RecordsetOptionEnum : LONG { dbDenyWrite = 0x1, dbReadOnly = 0x4, dbAppendOnly = 0x8 };

// ---- Interfaces ----
struct DAOError;
struct DAOErrors;
struct DAOProperty;
struct DAOProperties;
struct DAORecordset;
struct DAOWorkspace;
struct DAODatabase;
struct _DAOTableDef;
struct DAOTableDefs;
struct _DAOField;
struct DAOFields;
struct _DAOIndex;
struct DAOIndexes;
struct DAOIndexFields;
struct _DAOQueryDef;
struct DAOQueryDefs;
struct _DAORelation;
struct DAORelations;

// The members every collection has. Item takes an ordinal (any integer VARIANT) or a name
// (VT_BSTR, compared without regard to case); a missing item answers DAO error 3265.
struct DAOError : IDispatch {
  virtual HRESULT get_Number(LONG* pl) = 0;
  virtual HRESULT get_Source(BSTR* pbstr) = 0;
  virtual HRESULT get_Description(BSTR* pbstr) = 0;
  virtual HRESULT get_HelpFile(BSTR* pbstr) = 0;
  virtual HRESULT get_HelpContext(LONG* pl) = 0;
};

struct DAOErrors : IDispatch {
  virtual HRESULT get_Count(short* c) = 0;
  virtual HRESULT get_Item(VARIANT Item, DAOError** ppError) = 0;
  virtual HRESULT Refresh() = 0;
};

struct DAOProperty : IDispatch {
  virtual HRESULT get_Value(VARIANT* pval) = 0;
  virtual HRESULT put_Value(VARIANT val) = 0;
  virtual HRESULT get_Name(BSTR* pbstr) = 0;
  virtual HRESULT get_Type(short* ptype) = 0;
  virtual HRESULT get_Inherited(VARIANT_BOOL* pb) = 0;
};

struct DAOProperties : IDispatch {
  virtual HRESULT get_Count(short* c) = 0;
  virtual HRESULT get_Item(VARIANT Item, DAOProperty** ppProp) = 0;
  virtual HRESULT Refresh() = 0;
  virtual HRESULT Append(IDispatch* Object) = 0;
  virtual HRESULT Delete(BSTR Name) = 0;
};

struct _DAOField : IDispatch {
  virtual HRESULT get_Properties(DAOProperties** ppprops) = 0;
  virtual HRESULT get_CollatingOrder(LONG* pl) = 0;
  virtual HRESULT get_Type(short* ps) = 0;
  virtual HRESULT put_Type(short s) = 0;
  virtual HRESULT get_Name(BSTR* pbstr) = 0;
  virtual HRESULT put_Name(BSTR bstr) = 0;
  virtual HRESULT get_Size(LONG* pl) = 0;
  virtual HRESULT put_Size(LONG l) = 0;
  virtual HRESULT get_SourceField(BSTR* pbstr) = 0;
  virtual HRESULT get_SourceTable(BSTR* pbstr) = 0;
  virtual HRESULT get_Value(VARIANT* pvar) = 0;
  virtual HRESULT put_Value(VARIANT var) = 0;
  virtual HRESULT get_Attributes(LONG* pl) = 0;
  virtual HRESULT put_Attributes(LONG l) = 0;
  virtual HRESULT get_OrdinalPosition(short* ps) = 0;
  virtual HRESULT get_ValidationText(BSTR* pbstr) = 0;
  virtual HRESULT get_ValidationRule(BSTR* pbstr) = 0;
  // As Access stores it: the expression text, quotes included.
  virtual HRESULT get_DefaultValue(VARIANT* pvar) = 0;
  virtual HRESULT put_DefaultValue(VARIANT var) = 0;
  virtual HRESULT get_Required(VARIANT_BOOL* pb) = 0;
  virtual HRESULT put_Required(VARIANT_BOOL b) = 0;
  virtual HRESULT get_AllowZeroLength(VARIANT_BOOL* pb) = 0;
  virtual HRESULT put_AllowZeroLength(VARIANT_BOOL b) = 0;
  // Relation fields: the column of the foreign table.
  virtual HRESULT get_ForeignName(BSTR* pbstr) = 0;
  virtual HRESULT put_ForeignName(BSTR bstr) = 0;
  virtual HRESULT get_FieldSize(LONG* pl) = 0;
};

struct DAOFields : IDispatch {
  virtual HRESULT get_Count(short* c) = 0;
  virtual HRESULT get_Item(VARIANT Item, _DAOField** ppfld) = 0;
  virtual HRESULT Append(IDispatch* Object) = 0;
  virtual HRESULT Delete(BSTR Name) = 0;
  virtual HRESULT Refresh() = 0;
};

// The index's Fields: Item answers a VARIANT holding the field's IDispatch (query it for
// IID__DAOField); a field's Attributes carry dbDescending for a descending key column.
struct DAOIndexFields : IDispatch {
  virtual HRESULT get_Count(short* c) = 0;
  virtual HRESULT get_Item(VARIANT Item, VARIANT* pvar) = 0;
  virtual HRESULT Append(IDispatch* Object) = 0;
  virtual HRESULT Delete(BSTR Name) = 0;
  virtual HRESULT Refresh() = 0;
};

struct _DAOIndex : IDispatch {
  virtual HRESULT get_Properties(DAOProperties** ppprops) = 0;
  virtual HRESULT get_Name(BSTR* pbstr) = 0;
  virtual HRESULT put_Name(BSTR bstr) = 0;
  virtual HRESULT get_Foreign(VARIANT_BOOL* pb) = 0;
  virtual HRESULT get_Unique(VARIANT_BOOL* pb) = 0;
  virtual HRESULT put_Unique(VARIANT_BOOL b) = 0;
  virtual HRESULT get_Clustered(VARIANT_BOOL* pb) = 0;
  virtual HRESULT get_Required(VARIANT_BOOL* pb) = 0;
  virtual HRESULT get_IgnoreNulls(VARIANT_BOOL* pb) = 0;
  virtual HRESULT get_Primary(VARIANT_BOOL* pb) = 0;
  virtual HRESULT put_Primary(VARIANT_BOOL b) = 0;
  virtual HRESULT get_DistinctCount(LONG* pl) = 0;
  // A VARIANT holding the DAOIndexFields collection as VT_DISPATCH.
  virtual HRESULT get_Fields(VARIANT* pv) = 0;
  virtual HRESULT CreateField(VARIANT Name, VARIANT Type, VARIANT Size, _DAOField** ppfld) = 0;
};

struct DAOIndexes : IDispatch {
  virtual HRESULT get_Count(short* c) = 0;
  virtual HRESULT get_Item(VARIANT Item, _DAOIndex** ppidx) = 0;
  virtual HRESULT Append(IDispatch* Object) = 0;
  virtual HRESULT Delete(BSTR Name) = 0;
  virtual HRESULT Refresh() = 0;
};

struct DAORecordset : IDispatch {
  virtual HRESULT get_Properties(DAOProperties** ppprops) = 0;
  virtual HRESULT get_BOF(VARIANT_BOOL* pb) = 0;
  virtual HRESULT get_EOF(VARIANT_BOOL* pb) = 0;
  virtual HRESULT get_Name(BSTR* pbstr) = 0;
  virtual HRESULT get_RecordCount(LONG* pl) = 0;
  virtual HRESULT get_Type(short* ps) = 0;
  virtual HRESULT get_Updatable(VARIANT_BOOL* pb) = 0;
  virtual HRESULT get_Fields(DAOFields** ppflds) = 0;
  virtual HRESULT MoveFirst() = 0;
  virtual HRESULT MoveLast(LONG Options) = 0;
  virtual HRESULT MoveNext() = 0;
  virtual HRESULT MovePrevious() = 0;
  virtual HRESULT Close() = 0;
  virtual HRESULT AddNew() = 0;
  virtual HRESULT Edit() = 0;
  virtual HRESULT Update(LONG UpdateType, VARIANT_BOOL Force) = 0;
  virtual HRESULT Delete() = 0;
  // The value of one column of the row being added or edited; Item is the column's name
  // (VT_BSTR) or ordinal.
  virtual HRESULT put_Collect(VARIANT Item, VARIANT value) = 0;
  // Drops the row being added or edited (UpdateType as for Update).
  virtual HRESULT CancelUpdate(LONG UpdateType) = 0;
};

struct _DAOQueryDef : IDispatch {
  virtual HRESULT get_Properties(DAOProperties** ppprops) = 0;
  virtual HRESULT get_Name(BSTR* pbstr) = 0;
  virtual HRESULT put_Name(BSTR bstr) = 0;
  virtual HRESULT get_Type(short* pi) = 0;
  virtual HRESULT get_SQL(BSTR* pbstr) = 0;
  virtual HRESULT put_SQL(BSTR bstr) = 0;
  virtual HRESULT get_Connect(BSTR* pbstr) = 0;
  virtual HRESULT get_ReturnsRecords(VARIANT_BOOL* pb) = 0;
  virtual HRESULT get_Fields(DAOFields** ppflds) = 0;
  virtual HRESULT OpenRecordset(VARIANT Type, VARIANT Options, VARIANT LockEdit, DAORecordset** pprst) = 0;
  virtual HRESULT Execute(VARIANT Options) = 0;
  virtual HRESULT Close() = 0;
};

struct DAOQueryDefs : IDispatch {
  virtual HRESULT get_Count(short* c) = 0;
  virtual HRESULT get_Item(VARIANT Item, _DAOQueryDef** ppqdef) = 0;
  virtual HRESULT Append(IDispatch* Object) = 0;
  virtual HRESULT Delete(BSTR Name) = 0;
  virtual HRESULT Refresh() = 0;
};

struct _DAOTableDef : IDispatch {
  virtual HRESULT get_Properties(DAOProperties** ppprops) = 0;
  virtual HRESULT get_Attributes(LONG* pl) = 0;
  virtual HRESULT put_Attributes(LONG l) = 0;
  virtual HRESULT get_Connect(BSTR* pbstr) = 0;
  virtual HRESULT get_Name(BSTR* pbstr) = 0;
  virtual HRESULT put_Name(BSTR bstr) = 0;
  virtual HRESULT get_SourceTableName(BSTR* pbstr) = 0;
  virtual HRESULT get_Updatable(VARIANT_BOOL* pb) = 0;
  virtual HRESULT get_ValidationText(BSTR* pbstr) = 0;
  virtual HRESULT get_ValidationRule(BSTR* pbstr) = 0;
  virtual HRESULT get_RecordCount(LONG* pl) = 0;
  virtual HRESULT get_Fields(DAOFields** ppflds) = 0;
  virtual HRESULT get_Indexes(DAOIndexes** ppidxs) = 0;
  virtual HRESULT OpenRecordset(VARIANT Type, VARIANT Options, DAORecordset** pprst) = 0;
  virtual HRESULT CreateField(VARIANT Name, VARIANT Type, VARIANT Size, _DAOField** ppfld) = 0;
  virtual HRESULT CreateIndex(VARIANT Name, _DAOIndex** ppidx) = 0;
};

struct DAOTableDefs : IDispatch {
  virtual HRESULT get_Count(short* c) = 0;
  virtual HRESULT get_Item(VARIANT Item, _DAOTableDef** pptdf) = 0;
  virtual HRESULT Append(IDispatch* Object) = 0;
  virtual HRESULT Delete(BSTR Name) = 0;
  virtual HRESULT Refresh() = 0;
};

struct _DAORelation : IDispatch {
  virtual HRESULT get_Properties(DAOProperties** ppprops) = 0;
  virtual HRESULT get_Name(BSTR* pbstr) = 0;
  virtual HRESULT get_Table(BSTR* pbstr) = 0;
  virtual HRESULT get_ForeignTable(BSTR* pbstr) = 0;
  virtual HRESULT get_Attributes(LONG* pl) = 0;
  // Each field: Name is the column of Table, ForeignName the column of ForeignTable.
  virtual HRESULT get_Fields(DAOFields** ppflds) = 0;
  // A field for the relation's Fields: Name the column of Table; set its ForeignName.
  virtual HRESULT CreateField(VARIANT Name, VARIANT Type, VARIANT Size, _DAOField** ppfld) = 0;
};

struct DAORelations : IDispatch {
  virtual HRESULT get_Count(short* c) = 0;
  virtual HRESULT get_Item(VARIANT Item, _DAORelation** pprel) = 0;
  virtual HRESULT Append(IDispatch* Object) = 0;
  virtual HRESULT Delete(BSTR Name) = 0;
  virtual HRESULT Refresh() = 0;
};

struct DAODatabase : IDispatch {
  virtual HRESULT get_Properties(DAOProperties** ppprops) = 0;
  virtual HRESULT get_Connect(BSTR* pbstr) = 0;
  virtual HRESULT get_Name(BSTR* pbstr) = 0;
  virtual HRESULT get_Updatable(VARIANT_BOOL* pb) = 0;
  virtual HRESULT get_Version(BSTR* pbstr) = 0;
  virtual HRESULT get_TableDefs(DAOTableDefs** pptdfs) = 0;
  virtual HRESULT get_QueryDefs(DAOQueryDefs** ppqdfs) = 0;
  virtual HRESULT get_Relations(DAORelations** pprls) = 0;
  virtual HRESULT Close() = 0;
  virtual HRESULT Execute(BSTR Query, VARIANT Options) = 0;
  virtual HRESULT CreateRelation(VARIANT Name, VARIANT Table, VARIANT ForeignTable, VARIANT Attributes,
                                 _DAORelation** pprel) = 0;
  virtual HRESULT CreateTableDef(VARIANT Name, VARIANT Attributes, VARIANT SourceTablename, VARIANT Connect,
                                 _DAOTableDef** pptdf) = 0;
  // An empty Name makes a temporary query definition that is never saved.
  virtual HRESULT CreateQueryDef(VARIANT Name, VARIANT SQLText, _DAOQueryDef** ppqdf) = 0;
  virtual HRESULT OpenRecordset(BSTR Name, VARIANT Type, VARIANT Options, VARIANT LockEdit, DAORecordset** pprst) = 0;
};

struct DAOWorkspace : IDispatch {
  virtual HRESULT get_Name(BSTR* pbstr) = 0;
  virtual HRESULT get_UserName(BSTR* pbstr) = 0;
  virtual HRESULT OpenDatabase(BSTR Name, VARIANT Options, VARIANT ReadOnly, VARIANT Connect, DAODatabase** ppdb) = 0;
  virtual HRESULT CreateDatabase(BSTR Name, BSTR Locale, VARIANT Option, DAODatabase** ppdb) = 0;
  virtual HRESULT Close() = 0;
};

struct _DAODBEngine : IDispatch {
  virtual HRESULT get_Properties(DAOProperties** ppprops) = 0;
  virtual HRESULT get_Version(BSTR* pbstr) = 0;
  virtual HRESULT get_Errors(DAOErrors** pperrs) = 0;
  virtual HRESULT get_SystemDB(BSTR* pbstr) = 0;
  // The workgroup information file of the workspaces made afterwards; DAO error 3028 when the
  // file is missing or is not a workgroup information file.
  virtual HRESULT put_SystemDB(BSTR SystemDBPath) = 0;
  virtual HRESULT put_DefaultUser(BSTR user) = 0;
  virtual HRESULT put_DefaultPassword(BSTR password) = 0;
  virtual HRESULT CreateWorkspace(BSTR Name, BSTR UserName, BSTR Password, VARIANT UseType, DAOWorkspace** ppwrk) = 0;
  // Options true: exclusive; ReadOnly true: read only; Connect ";pwd=<password>" for a database
  // password. DAO errors: 3024 no such file, 3343 not an Access database, 3031 wrong password.
  virtual HRESULT OpenDatabase(BSTR Name, VARIANT Options, VARIANT ReadOnly, VARIANT Connect, DAODatabase** ppdb) = 0;
  virtual HRESULT CreateDatabase(BSTR Name, BSTR Locale, VARIANT Option, DAODatabase** ppdb) = 0;
  virtual HRESULT Idle(VARIANT Action) = 0;
};

// Puts the engine classes into the COM class table (idempotent; safe from any thread).
void dao_register_engine();
