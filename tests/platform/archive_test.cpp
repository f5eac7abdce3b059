#include "zldbctrl70/platform/archive.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "platform/scratch_dir.h"
#include "zldbctrl70/platform/coll_array.h"
#include "zldbctrl70/platform/coll_list.h"
#include "zldbctrl70/platform/coll_map.h"
#include "zldbctrl70/platform/longbinary.h"

// Serialisable classes of the tests (registered by name, so the names are
// unique in the test program).
class CArcTestPoint : public CObject {
  DECLARE_SERIAL(CArcTestPoint)
 public:
  CArcTestPoint() = default;
  CArcTestPoint(int x, const char* name) : m_x(x), m_name(name) {}
  void Serialize(CArchive& ar) override {
    if (ar.IsStoring()) {
      ar << m_x << m_name;
    } else {
      ar >> m_x >> m_name;
    }
  }
  int m_x = 0;
  CString m_name;
};
IMPLEMENT_SERIAL(CArcTestPoint, CObject, 1)

// Reads an extra field only from objects stored with schema 2 or later.
class CArcTestVersioned : public CObject {
  DECLARE_SERIAL(CArcTestVersioned)
 public:
  void Serialize(CArchive& ar) override {
    if (ar.IsStoring()) {
      ar << m_a << m_b;
    } else {
      m_schemaSeen = ar.GetObjectSchema();
      ar >> m_a;
      if (m_schemaSeen >= 2) ar >> m_b;
    }
  }
  WORD m_a = 0;
  WORD m_b = 0;
  UINT m_schemaSeen = 0;
};
IMPLEMENT_SERIAL(CArcTestVersioned, CObject, VERSIONABLE_SCHEMA | 2)

// Fails half-way through loading; counts its destructions.
class CArcTestFailing : public CObject {
  DECLARE_SERIAL(CArcTestFailing)
 public:
  ~CArcTestFailing() override { ++s_deaths; }
  void Serialize(CArchive& ar) override {
    int a = 1;
    if (ar.IsStoring()) {
      ar << a << a;
    } else {
      ar >> a;
      throw CArchiveException(CArchiveException::generic);
    }
  }
  static int s_deaths;
};
IMPLEMENT_SERIAL(CArcTestFailing, CObject, 0)
int CArcTestFailing::s_deaths = 0;

namespace {

using Bytes = std::vector<BYTE>;

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes Text(const char* s) { return Bytes(s, s + std::strlen(s)); }

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
    {
      CArchive ar(&file, CArchive::store);
      fn(ar);
    }
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
  // A long is stored in 32 bits, so a wider value is refused.
  EXPECT_EQ(CauseOf([this] { Store([](CArchive& ar) { ar << 0x100000000L; }); }),
            CArchiveException::generic);
}

TEST_F(ArchiveTest, StringLengthFormsAtTheirBoundaries) {
  const std::pair<int, Bytes> cases[] = {
      {0, {0x00}},
      {254, {0xFE}},
      {255, {0xFF, 0xFF, 0x00}},
      {65534, {0xFF, 0xFE, 0xFF}},
      {65535, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
      {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
  };
  for (const auto& [length, prefix] : cases) {
    SCOPED_TRACE(length);
    std::string text(static_cast<size_t>(length), 'a');
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 26);
    const Bytes bytes = Store([&](CArchive& ar) { ar << CString(text) << "end"; });
    ASSERT_EQ(bytes.size(), prefix.size() + text.size() + 4);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + prefix.size()), prefix);
    CString back, end;
    Load(bytes) >> back >> end;
    EXPECT_EQ(back.str(), text);
    EXPECT_EQ(end, "end");
  }
}

TEST_F(ArchiveTest, CountsSwitchToTheLongFormAtFFFF) {
  const Bytes bytes = Store([](CArchive& ar) {
    ar.WriteCount(0xFFFE);
    ar.WriteCount(0xFFFF);
  });
  EXPECT_EQ(bytes, (Bytes{0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}));
  CArchive& ar = Load(bytes);
  EXPECT_EQ(ar.ReadCount(), 0xFFFEu);
  EXPECT_EQ(ar.ReadCount(), 0xFFFFu);
}

TEST_F(ArchiveTest, EveryTruncationIsEndOfFile) {
  const Bytes full = Store([](CArchive& ar) {
    ar << static_cast<WORD>(7) << CString(std::string(300, 'x')) << 3.25 << CString("tail");
  });
  for (size_t cut = 0; cut < full.size(); ++cut) {
    const int cause = CauseOf([&] {
      WORD w;
      CString a, b;
      double d;
      Load(Bytes(full.begin(), full.begin() + cut)) >> w >> a >> d >> b;
    });
    ASSERT_EQ(cause, CArchiveException::endOfFile) << "cut at " << cut;
  }
  // A DWORD length of 2 GB - 1 followed by a few bytes fails without a huge
  // allocation and leaves the target alone.
  CString s = "kept";
  EXPECT_EQ(CauseOf([&] {
              Load({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 'b'}) >> s;
            }),
            CArchiveException::endOfFile);
  EXPECT_EQ(s, "kept");
}

TEST_F(ArchiveTest, DirectionAndSerialisabilityAreEnforced) {
  EXPECT_EQ(CauseOf([this] { Load({1, 2}) << static_cast<BYTE>(1); }), CArchiveException::readOnly);
  EXPECT_EQ(CauseOf([this] {
              Store([](CArchive& ar) {
                BYTE b;
                ar >> b;
              });
            }),
            CArchiveException::writeOnly);
  CLongBinary plain;  // a dynamic class without serialisation
  EXPECT_FALSE(plain.IsSerializable());
  EXPECT_TRUE(CArcTestPoint().IsSerializable());
  EXPECT_EQ(CauseOf([&] { Store([&](CArchive& ar) { ar << &plain; }); }),
            CArchiveException::badClass);
}

TEST_F(ArchiveTest, ObjectsUseTheClassicTagsAndShareReferences) {
  CArcTestPoint point(5, "p"), other(6, "q");
  CObArray pair;  // an object holding the same point twice
  pair.Add(&point);
  pair.Add(&point);
  const Bytes bytes = Store([&](CArchive& ar) {
    ar << &pair << &other << static_cast<const CObject*>(nullptr) << &pair;
  });
  const Bytes expected = Concat({
      {0xFF, 0xFF, 0x00, 0x00, 0x08, 0x00},
      Text("CObArray"),  // class 1, object 2
      {0x02, 0x00},      // two elements
      {0xFF, 0xFF, 0x01, 0x00, 0x0D, 0x00},
      Text("CArcTestPoint"),  // class 3, object 4
      {0x05, 0x00, 0x00, 0x00, 0x01, 'p'},
      {0x04, 0x00},  // the same point again
      {0x03, 0x80},  // known class 3, object 5
      {0x06, 0x00, 0x00, 0x00, 0x01, 'q'},
      {0x00, 0x00},  // null
      {0x02, 0x00},  // the array again
  });
  EXPECT_EQ(bytes, expected);

  CObArray* pairBack = nullptr;
  CArcTestPoint* otherBack = nullptr;
  CObject* null = reinterpret_cast<CObject*>(1);
  CObject* pairAgain = nullptr;
  Load(bytes) >> pairBack >> otherBack >> null >> pairAgain;
  std::unique_ptr<CObArray> ownPair(pairBack);
  std::unique_ptr<CArcTestPoint> ownOther(otherBack);
  ASSERT_TRUE(pairBack != nullptr && pairBack->GetSize() == 2 && otherBack != nullptr);
  std::unique_ptr<CObject> ownPoint(pairBack->GetAt(0));
  EXPECT_EQ(pairBack->GetAt(0), pairBack->GetAt(1));
  const auto* pointBack = static_cast<const CArcTestPoint*>(pairBack->GetAt(0));
  EXPECT_TRUE(pointBack->m_x == 5 && pointBack->m_name == "p");
  EXPECT_EQ(otherBack->m_name, "q");
  EXPECT_EQ(null, nullptr);
  EXPECT_EQ(pairAgain, pairBack);
}

TEST_F(ArchiveTest, ReadingRefusesAnUnexpectedClass) {
  CArcTestPoint point(1, "x");
  const Bytes bytes = Store([&](CArchive& ar) { ar << &point << &point; });
  EXPECT_EQ(CauseOf([&] {
              CObArray* array = nullptr;
              Load(bytes) >> array;
            }),
            CArchiveException::badClass);
  // A back reference is checked too.
  CArchive& ar = Load(bytes);
  std::unique_ptr<CObject> first(ar.ReadObject(RUNTIME_CLASS(CArcTestPoint)));
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(CauseOf([&] { ar.ReadObject(RUNTIME_CLASS(CObArray)); }), CArchiveException::badClass);
  // Any class derived from the one asked for is accepted.
  std::unique_ptr<CObject> any(Load(bytes).ReadObject(RUNTIME_CLASS(CObject)));
  EXPECT_TRUE(any->IsKindOf(RUNTIME_CLASS(CArcTestPoint)));
}

TEST_F(ArchiveTest, DamagedObjectStreamsAreRefused) {
  CArcTestPoint point(1, "x");
  Bytes stored = Store([&](CArchive& ar) { ar << &point; });
  const std::pair<Bytes, int> cases[] = {
      {Concat({{0xFF, 0xFF, 0x01, 0x00, 0x0C, 0x00}, Text("CNoSuchClass")}),
       CArchiveException::badClass},
      {Concat({{0xFF, 0xFF, 0x09, 0x00, 0x0D, 0x00}, Text("CArcTestPoint")}),
       CArchiveException::badSchema},
      {{0x05, 0x80}, CArchiveException::badIndex},  // unknown class index
      {{0x03, 0x00}, CArchiveException::badIndex},  // unknown object index
  };
  for (const auto& [bytes, cause] : cases) {
    EXPECT_EQ(CauseOf([&] { Load(bytes).ReadObject(nullptr); }), cause) << cause;
  }
  // An object tag naming a class entry.
  stored.insert(stored.end(), {0x01, 0x00});
  CArchive& ar = Load(stored);
  delete ar.ReadObject(nullptr);
  EXPECT_EQ(CauseOf([&] { ar.ReadObject(nullptr); }), CArchiveException::badIndex);
}

TEST_F(ArchiveTest, VersionableSchemaReachesSerialize) {
  // Stored by an older build with schema 1: only the first field.
  CArcTestVersioned* v = nullptr;
  Load(Concat({{0xFF, 0xFF, 0x01, 0x00, 0x11, 0x00}, Text("CArcTestVersioned"), {0x07, 0x00}})) >>
      v;
  std::unique_ptr<CArcTestVersioned> old(v);
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->m_schemaSeen, 1u);
  EXPECT_EQ(v->m_a, 7);

  CArcTestVersioned current;
  current.m_b = 2;
  const Bytes bytes = Store([&](CArchive& ar) { ar << &current; });
  EXPECT_EQ(bytes[2], 0x02);  // the stored schema leaves out the versionable bit
  EXPECT_EQ(bytes[3], 0x00);
  Load(bytes) >> v;
  std::unique_ptr<CArcTestVersioned> now(v);
  EXPECT_EQ(v->m_schemaSeen, 2u);
  EXPECT_EQ(v->m_b, 2);
}

TEST_F(ArchiveTest, FailedLoadDeletesThePartialObject) {
  CArcTestFailing failing;
  const Bytes bytes = Store([&](CArchive& ar) { ar << &failing; });
  CArcTestFailing::s_deaths = 0;
  EXPECT_EQ(CauseOf([&] { Load(bytes).ReadObject(nullptr); }), CArchiveException::generic);
  EXPECT_EQ(CArcTestFailing::s_deaths, 1);
}

TEST_F(ArchiveTest, CollectionsRoundTripSharingOneObject) {
  CArcTestPoint shared(3, "s");
  CObArray objects, objects2;
  objects.Add(&shared);
  objects.Add(nullptr);
  objects.Add(&shared);
  CStringArray strings, strings2;
  strings.Add("a");
  strings.Add(CString(std::string(300, 'b')));
  CMapStringToString names, names2;
  names.SetAt("k1", "v1");
  names.SetAt("k2", "v2");
  CMapWordToOb byLang, byLang2;
  byLang.SetAt(1033, &shared);
  CObList list, list2;
  list.AddTail(&shared);
  const std::vector<CObject*> out = {&objects, &strings, &names, &byLang, &list};
  const Bytes bytes = Store([&](CArchive& ar) {
    for (CObject* c : out) c->Serialize(ar);
  });
  CArchive& ar = Load(bytes);
  for (CObject* c : std::vector<CObject*>{&objects2, &strings2, &names2, &byLang2, &list2}) {
    c->Serialize(ar);
  }
  ASSERT_EQ(objects2.GetSize(), 3);
  std::unique_ptr<CObject> owned(objects2[0]);
  EXPECT_EQ(objects2[1], nullptr);
  EXPECT_EQ(objects2[0], objects2[2]);
  EXPECT_EQ(static_cast<CArcTestPoint*>(objects2[0])->m_x, 3);
  ASSERT_EQ(strings2.GetSize(), 2);
  EXPECT_EQ(strings2[1].GetLength(), 300);
  CString v;
  EXPECT_TRUE(names2.Lookup("k2", v) && v == "v2");
  CObject* ob = nullptr;
  EXPECT_TRUE(byLang2.Lookup(1033, ob));
  EXPECT_EQ(ob, objects2[0]);  // one object across the whole archive
  EXPECT_EQ(list2.GetHead(), objects2[0]);
  // A count of 0xFFFFFFF0 strings with only one present runs into the end.
  EXPECT_EQ(CauseOf([&] {
              strings2.Serialize(Load({0xFF, 0xFF, 0xF0, 0xFF, 0xFF, 0xFF, 1, 'z'}));
            }),
            CArchiveException::endOfFile);
  EXPECT_EQ(strings2.GetSize(), 1);
}

TEST(ArchiveFileTest, RoundTripThroughARealFileAndPositionAfterClose) {
  CScratchDir dir;
  ASSERT_TRUE(dir.Ok());
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
  for (int i = 10; i < 1000; ++i) {
    ar >> v;
    ASSERT_EQ(v, i);
  }
  CString s;
  ar >> s;
  EXPECT_EQ(s.GetLength(), 5000);
  EXPECT_THROW(ar >> v, CArchiveException);
}

}  // namespace
