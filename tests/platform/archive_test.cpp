#include "zldbctrl70/platform/archive.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "platform/scratch_dir.h"
#include "zldbctrl70/platform/coll_array.h"
#include "zldbctrl70/platform/coll_list.h"
#include "zldbctrl70/platform/coll_map.h"
#include "zldbctrl70/platform/longbinary.h"

// The serialisable class of the tests.  It reads m_name only from objects
// stored with schema 2 or later, fails half-way through loading an m_x of
// -1, and counts its destructions.
class CArcTestItem : public CObject {
  DECLARE_SERIAL(CArcTestItem)
 public:
  ~CArcTestItem() override { ++s_deaths; }
  void Serialize(CArchive& ar) override {
    if (ar.IsStoring()) {
      ar << m_x << m_name;
      return;
    }
    m_schemaSeen = ar.GetObjectSchema();
    ar >> m_x;
    if (m_x == -1) throw CArchiveException(CArchiveException::generic);
    if (m_schemaSeen >= 2) ar >> m_name;
  }
  int m_x = 0;
  CString m_name;
  UINT m_schemaSeen = 0;
  static int s_deaths;
};
IMPLEMENT_SERIAL(CArcTestItem, CObject, VERSIONABLE_SCHEMA | 2)
int CArcTestItem::s_deaths = 0;

// A creatable class whose constructor fails.
class CArcFailing : public CObject {
  DECLARE_DYNCREATE(CArcFailing)
 public:
  CArcFailing() { throw std::runtime_error("cannot be made"); }
};
IMPLEMENT_DYNCREATE(CArcFailing, CObject)

namespace {

using Bytes = std::vector<BYTE>;

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// A new-class tag: FFFF, the schema, the name's WORD length and the name.
Bytes NewClass(BYTE schema, const char* name) {
  const auto length = static_cast<BYTE>(std::strlen(name));
  return Bytes{0xFF, 0xFF, schema, 0x00, length, 0x00} + Bytes(name, name + length);
}

// The cause of the CArchiveException fn throws, -1 when it throws none.
int CauseOf(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const CArchiveException& e) {
    return e.m_cause;
  }
  return -1;
}

class ArchiveTest : public ::testing::Test {
 protected:
  // Stores with fn, then gives the bytes.
  template <class FN>
  Bytes Store(FN fn) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    fn(ar);
    ar.Close();
    return Bytes(file.GetData(), file.GetData() + file.GetLength());
  }
  // An archive loading the given bytes, kept alive by the fixture.
  CArchive& Load(const Bytes& bytes) {
    m_ar.reset();  // the old archive still refers to the old file
    m_file.reset(new CMemFile(bytes.data(), static_cast<UINT>(bytes.size())));
    m_ar.reset(new CArchive(m_file.get(), CArchive::load));
    return *m_ar;
  }
  std::unique_ptr<CMemFile> m_file;
  std::unique_ptr<CArchive> m_ar;
};

TEST_F(ArchiveTest, NumbersAreLittleEndianWithFixedSizes) {
  const auto values = std::make_tuple(BYTE{0xAB}, WORD{0x1234}, short{-2}, 0x01020304,
                                      DWORD{0xFFFFFFFEu}, -5L, 1.5f, 2.0, true, -0x123456789LL);
  const Bytes bytes =
      Store([&](CArchive& ar) { std::apply([&](const auto&... x) { (ar << ... << x); }, values); });
  // 1.5f is 00 00 C0 3F, 2.0 is 00 .. 00 40, a long long takes 8 bytes.
  const Bytes expected = {0xAB, 0x34, 0x12, 0xFE, 0xFF, 0x04, 0x03, 0x02, 0x01, 0xFE,
                          0xFF, 0xFF, 0xFF, 0xFB, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0xC0,
                          0x3F, 0,    0,    0,    0,    0,    0,    0x00, 0x40, 0x01,
                          0x77, 0x98, 0xBA, 0xDC, 0xFE, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(bytes, expected);
  std::remove_const_t<decltype(values)> back;
  CArchive& ar = Load(bytes);
  std::apply([&](auto&... x) { (ar >> ... >> x); }, back);
  EXPECT_EQ(back, values);
  for (size_t cut = 0; cut < bytes.size(); ++cut) {  // every truncation is the end of the file
    CArchive& in = Load(Bytes(bytes.begin(), bytes.begin() + cut));
    ASSERT_EQ(CauseOf([&] { std::apply([&](auto&... x) { (in >> ... >> x); }, back); }),
              CArchiveException::endOfFile)
        << cut;
  }
  // A long is stored in 32 bits, so a wider value is refused.
  EXPECT_EQ(CauseOf([this] { Store([](CArchive& ar) { ar << 0x100000000L; }); }),
            CArchiveException::generic);
}

TEST_F(ArchiveTest, StringLengthAndCountFormsAtTheirBoundaries) {
  const std::pair<int, Bytes> cases[] = {{0, {0x00}},
                                         {254, {0xFE}},
                                         {255, {0xFF, 0xFF, 0x00}},
                                         {65534, {0xFF, 0xFE, 0xFF}},
                                         {65535, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
                                         {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}}};
  for (const auto& [length, prefix] : cases) {
    SCOPED_TRACE(length);
    std::string text;
    for (int i = 0; i < length; ++i) text += static_cast<char>('a' + i % 26);
    const Bytes bytes = Store([&](CArchive& ar) { ar << CString(text) << "end"; });
    ASSERT_EQ(bytes.size(), prefix.size() + text.size() + 4);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + prefix.size()), prefix);
    CString back, end;
    Load(bytes) >> back >> end;
    EXPECT_TRUE(back.str() == text && end == "end");
    for (size_t cut : {prefix.size() - 1, bytes.size() - 5}) {  // in the length; in the text
      EXPECT_EQ(CauseOf([&] { Load(Bytes(bytes.begin(), bytes.begin() + cut)) >> back; }),
                CArchiveException::endOfFile);
    }
  }
  // A 2 GB - 1 length before a few bytes: no huge allocation, target kept.
  CString s = "kept";
  const Bytes huge = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 'b'};
  EXPECT_EQ(CauseOf([&] { Load(huge) >> s; }), CArchiveException::endOfFile);
  EXPECT_EQ(s, "kept");
  // Counts switch to the long form at FFFF.
  const Bytes bytes = Store([](CArchive& ar) { ar.WriteCount(0xFFFE), ar.WriteCount(0xFFFF); });
  EXPECT_EQ(bytes, (Bytes{0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}));
  CArchive& ar = Load(bytes);
  EXPECT_EQ(ar.ReadCount(), 0xFFFEu);
  EXPECT_EQ(ar.ReadCount(), 0xFFFFu);
}

TEST_F(ArchiveTest, ObjectsUseTheClassicTagsAndShareReferences) {
  CArcTestItem point, other;
  point.m_x = 5, point.m_name = "p", other.m_x = 6, other.m_name = "q";
  CObArray pair;  // an object holding the same point twice
  pair.Add(&point), pair.Add(&point);
  const Bytes bytes = Store([&](CArchive& ar) {
    ar << &pair << &other << static_cast<const CObject*>(nullptr) << &pair;
  });
  // Class 1 and object 2, two elements, class 3 and object 4, the point
  // again, known class 3 (object 5), null, the array again.
  const Bytes expected = NewClass(0, "CObArray") + Bytes{0x02, 0x00} + NewClass(2, "CArcTestItem") +
                         Bytes{0x05, 0, 0, 0, 0x01, 'p', 0x04, 0x00, 0x03, 0x80,
                               0x06, 0, 0, 0, 0x01, 'q', 0x00, 0x00, 0x02, 0x00};
  EXPECT_EQ(bytes, expected);

  CObArray* pairBack = nullptr;
  CArcTestItem* otherBack = nullptr;
  CObject *null = reinterpret_cast<CObject*>(1), *pairAgain = nullptr;
  Load(bytes) >> pairBack >> otherBack >> null >> pairAgain;
  std::unique_ptr<CObArray> ownPair(pairBack);
  std::unique_ptr<CArcTestItem> ownOther(otherBack);
  ASSERT_TRUE(pairBack != nullptr && pairBack->GetSize() == 2 && otherBack != nullptr);
  std::unique_ptr<CObject> ownPoint(pairBack->GetAt(0));
  EXPECT_TRUE(null == nullptr && pairAgain == pairBack);
  // Stored again, the loaded objects give the same bytes: same data and sharing.
  EXPECT_EQ(Store([&](CArchive& ar) { ar << pairBack << otherBack << null << pairAgain; }), bytes);
}

TEST_F(ArchiveTest, DirectionClassesAndDamagedStreamsAreChecked) {
  EXPECT_EQ(CauseOf([this] { Load({1, 2}) << static_cast<BYTE>(1); }), CArchiveException::readOnly);
  BYTE b;
  EXPECT_EQ(CauseOf([&] { Store([&](CArchive& ar) { ar >> b; }); }), CArchiveException::writeOnly);
  CLongBinary plain;  // a dynamic class without serialisation
  EXPECT_FALSE(plain.IsSerializable());
  EXPECT_TRUE(CArcTestItem().IsSerializable());
  EXPECT_EQ(CauseOf([&] { Store([&](CArchive& ar) { ar << &plain; }); }),
            CArchiveException::badClass);
  CArcTestItem point;
  const Bytes bytes = Store([&](CArchive& ar) { ar << &point << &point; });
  EXPECT_EQ(CauseOf([&] { Load(bytes).ReadObject(RUNTIME_CLASS(CObArray)); }),
            CArchiveException::badClass);
  // A back reference is checked too; a derived class is accepted.
  CArchive& ar = Load(bytes);
  std::unique_ptr<CObject> first(ar.ReadObject(RUNTIME_CLASS(CObject)));
  ASSERT_TRUE(first != nullptr && first->IsKindOf(RUNTIME_CLASS(CArcTestItem)));
  EXPECT_EQ(CauseOf([&] { ar.ReadObject(RUNTIME_CLASS(CObArray)); }), CArchiveException::badClass);

  const std::pair<Bytes, int> cases[] = {
      {NewClass(1, "CNoSuchClass"), CArchiveException::badClass},
      {NewClass(9, "CObArray"), CArchiveException::badSchema},
      {{0x05, 0x80}, CArchiveException::badIndex},  // unknown class index
      {{0x03, 0x00}, CArchiveException::badIndex},  // unknown object index
      // An object tag naming a class entry.
      {Bytes(bytes.begin(), bytes.end() - 2) + Bytes{0x01, 0x00}, CArchiveException::badIndex}};
  for (const auto& [damaged, cause] : cases) {
    EXPECT_EQ(CauseOf([&, &damaged = damaged] {
                CArchive& in = Load(damaged);
                for (int i = 0; i < 2; ++i) delete in.ReadObject(nullptr);
              }),
              cause)
        << cause;
  }
}

TEST_F(ArchiveTest, VersionableSchemaReachesSerializeAndAFailedLoadFreesTheObject) {
  // Stored by an older build with schema 1: only the first field.
  CArcTestItem* v = nullptr;
  Load(NewClass(1, "CArcTestItem") + Bytes{0x07, 0, 0, 0}) >> v;
  std::unique_ptr<CArcTestItem> old(v);
  ASSERT_NE(v, nullptr);
  EXPECT_TRUE(v->m_schemaSeen == 1 && v->m_x == 7 && v->m_name.IsEmpty());
  CArcTestItem current;
  current.m_name = "n";
  Bytes bytes = Store([&](CArchive& ar) { ar << &current; });
  EXPECT_EQ(Bytes(bytes.begin() + 2, bytes.begin() + 4), (Bytes{2, 0}));  // no versionable bit
  Load(bytes) >> v;
  std::unique_ptr<CArcTestItem> now(v);
  EXPECT_TRUE(v->m_schemaSeen == 2 && v->m_name == "n");

  current.m_x = -1;  // fails after reading it
  bytes = Store([&](CArchive& ar) { ar << &current; });
  CArcTestItem::s_deaths = 0;
  EXPECT_EQ(CauseOf([&] { Load(bytes).ReadObject(nullptr); }), CArchiveException::generic);
  EXPECT_EQ(CArcTestItem::s_deaths, 1);

  // Nested in collections, every object the failed read made goes with it
  // (the leak checker sees the arrays): the good item, the failing one.
  CArcTestItem good;
  CObArray inner, outer;
  inner.Add(&good), inner.Add(&current);
  outer.Add(&inner);
  bytes = Store([&](CArchive& ar) { ar << &outer; });
  CArcTestItem::s_deaths = 0;
  EXPECT_EQ(CauseOf([&] { Load(bytes).ReadObject(nullptr); }), CArchiveException::generic);
  EXPECT_EQ(CArcTestItem::s_deaths, 2);
}

TEST_F(ArchiveTest, CollectionsRoundTripSharingOneObject) {
  CArcTestItem shared;
  shared.m_x = 3;
  CObArray objects[2];
  CStringArray strings[2];
  CMapStringToString names[2];
  CMapWordToOb byLang[2];
  CObList list[2];
  for (CObject* ob : {&shared, static_cast<CArcTestItem*>(nullptr), &shared}) objects[0].Add(ob);
  strings[0].Add("a"), strings[0].Add(CString(std::string(300, 'b')));
  names[0].SetAt("k1", "v1"), names[0].SetAt("k2", "v2");
  byLang[0].SetAt(1033, &shared);
  list[0].AddTail(&shared);
  auto serializeAll = [&](int i, CArchive& ar) {
    CObject* all[] = {&objects[i], &strings[i], &names[i], &byLang[i], &list[i]};
    for (CObject* c : all) c->Serialize(ar);
  };
  const Bytes bytes = Store([&](CArchive& ar) { serializeAll(0, ar); });
  serializeAll(1, Load(bytes));
  ASSERT_EQ(objects[1].GetSize(), 3);
  std::unique_ptr<CObject> owned(objects[1][0]);
  CObject* ob = nullptr;  // one object across the whole archive
  EXPECT_TRUE(objects[1][0] != &shared && objects[1][2] == objects[1][0] &&
              byLang[1].Lookup(1033, ob) && ob == objects[1][0] &&
              list[1].GetHead() == objects[1][0]);
  EXPECT_TRUE(strings[1].GetSize() == 2 && names[1].GetCount() == 2);
  // Stored again they give the same bytes: the same data.
  EXPECT_EQ(Store([&](CArchive& ar) { serializeAll(1, ar); }), bytes);
  // A count of 0xFFFFFFF0 strings with only one present runs into the end.
  EXPECT_EQ(CauseOf([&] {
              strings[1].Serialize(Load({0xFF, 0xFF, 0xF0, 0xFF, 0xFF, 0xFF, 1, 'z'}));
            }),
            CArchiveException::endOfFile);
  EXPECT_EQ(strings[1].GetSize(), 1);
  // A key twice would drop the first value (and lose an object): refused.
  EXPECT_EQ(CauseOf([&] {
              names[1].Serialize(Load({2, 0, 1, 'k', 1, 'a', 1, 'k', 1, 'b'}));
            }),
            CArchiveException::generic);
}

// Loading finds a class by its exact registered name; registering a class
// again must not turn the registry into a cycle; a class without a way to
// make objects, or whose constructor fails, gives none.
TEST(ClassRegistryTest, NamesAreExactAndOnlyCreatableClassesMakeObjects) {
  CRuntimeClass::Register(RUNTIME_CLASS(CArcTestItem));
  CRuntimeClass::Register(nullptr);
  EXPECT_EQ(CRuntimeClass::FromName("CArcTestItem"), RUNTIME_CLASS(CArcTestItem));
  for (const char* name : {"carctestitem", static_cast<const char*>(nullptr), "CNoSuchClass"})
    EXPECT_EQ(CRuntimeClass::FromName(name), nullptr) << (name ? name : "(null)");
  EXPECT_EQ(RUNTIME_CLASS(CObject)->CreateObject(), nullptr);
  EXPECT_EQ(RUNTIME_CLASS(CArcFailing)->CreateObject(), nullptr);
  EXPECT_FALSE(RUNTIME_CLASS(CObject)->IsDerivedFrom(RUNTIME_CLASS(CArcTestItem)));
}

TEST(ArchiveFileTest, RoundTripThroughARealFileAndPositionAfterClose) {
  CScratchDir dir;
  const std::string path = dir.File("data.bin");
  {
    CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    CArchive ar(&file, CArchive::store, 128);
    for (int i = 0; i < 1000; ++i) ar << i;
    ar << CString(std::string(5000, 'z'));
  }
  EXPECT_EQ(CScratchDir::Read(path).size(), 4000u + 3u + 5000u);  // 0xFF + WORD length
  CFile file(path.c_str(), CFile::modeRead);
  int v = 0;
  {
    CArchive ar(&file, CArchive::load, 128);
    for (int i = 0; i < 10; ++i) ar >> v;
    ar.Close();  // hands back what it read ahead
  }
  EXPECT_EQ(file.GetPosition(), 40u);
  CArchive ar(&file, CArchive::load);
  CString s;
  for (int i = 10; i < 1000; ++i) ASSERT_EQ((ar >> v, v), i);
  ar >> s;
  EXPECT_EQ(s.GetLength(), 5000);
  EXPECT_THROW(ar >> v, CArchiveException);
}

}  // namespace
