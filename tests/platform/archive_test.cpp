#include "zldbctrl70/platform/archive.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/scratch_dir.h"
#include "zldbctrl70/platform/coll_array.h"
#include "zldbctrl70/platform/coll_list.h"
#include "zldbctrl70/platform/coll_map.h"

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

// Owns two points, which may be one and the same.
class CArcTestPair : public CObject {
  DECLARE_SERIAL(CArcTestPair)
 public:
  ~CArcTestPair() override {
    delete m_first;
    if (m_second != m_first) delete m_second;
  }
  void Serialize(CArchive& ar) override {
    if (ar.IsStoring()) {
      ar << m_first << m_second;
    } else {
      ar >> m_first >> m_second;
    }
  }
  CArcTestPoint* m_first = nullptr;
  CArcTestPoint* m_second = nullptr;
};
IMPLEMENT_SERIAL(CArcTestPair, CObject, 2)

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
    if (ar.IsStoring()) {
      ar << 1 << 2;
    } else {
      int a = 0;
      ar >> a;
      throw CArchiveException(CArchiveException::generic);
    }
  }
  static int s_deaths;
};
IMPLEMENT_SERIAL(CArcTestFailing, CObject, 0)
int CArcTestFailing::s_deaths = 0;

class CArcTestPlain : public CObject {
  DECLARE_DYNAMIC(CArcTestPlain)
};
IMPLEMENT_DYNAMIC(CArcTestPlain, CObject)

namespace {

std::vector<BYTE> Bytes(const CMemFile& file) {
  return std::vector<BYTE>(file.GetData(), file.GetData() + file.GetLength());
}

std::vector<BYTE> Concat(std::initializer_list<std::vector<BYTE>> parts) {
  std::vector<BYTE> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

std::vector<BYTE> Text(const char* s) { return std::vector<BYTE>(s, s + std::strlen(s)); }

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
  std::vector<BYTE> Store(FN fn) {
    CMemFile file;
    {
      CArchive ar(&file, CArchive::store);
      fn(ar);
    }
    return Bytes(file);
  }
  // An archive loading the given bytes (kept alive by the fixture).
  CArchive& Load(const std::vector<BYTE>& bytes) {
    m_ar.reset();  // the old archive still refers to the old file
    m_file.reset(new CMemFile(bytes.data(), static_cast<UINT>(bytes.size())));
    m_ar.reset(new CArchive(m_file.get(), CArchive::load));
    return *m_ar;
  }
  void TearDown() override {
    m_ar.reset();
    m_file.reset();
  }
  std::unique_ptr<CMemFile> m_file;
  std::unique_ptr<CArchive> m_ar;
};

TEST_F(ArchiveTest, NumbersAreLittleEndianWithFixedSizes) {
  const std::vector<BYTE> bytes = Store([](CArchive& ar) {
    ar << static_cast<BYTE>(0xAB) << static_cast<WORD>(0x1234) << static_cast<short>(-2)
       << 0x01020304 << static_cast<DWORD>(0xFFFFFFFEu) << -5L << 1.5f << 2.0 << true;
  });
  const std::vector<BYTE> expected = {0xAB, 0x34, 0x12, 0xFE, 0xFF, 0x04, 0x03, 0x02,
                                      0x01, 0xFE, 0xFF, 0xFF, 0xFF, 0xFB, 0xFF, 0xFF,
                                      0xFF, 0x00, 0x00, 0xC0, 0x3F,                    // 1.5f
                                      0,    0,    0,    0,    0,    0,    0x00, 0x40,  // 2.0
                                      0x01};
  EXPECT_EQ(bytes, expected);

  CArchive& ar = Load(bytes);
  BYTE by;
  WORD w;
  short s;
  int i;
  DWORD dw;
  long l;
  float f;
  double d;
  bool b;
  ar >> by >> w >> s >> i >> dw >> l >> f >> d >> b;
  EXPECT_EQ(by, 0xAB);
  EXPECT_EQ(w, 0x1234);
  EXPECT_EQ(s, -2);
  EXPECT_EQ(i, 0x01020304);
  EXPECT_EQ(dw, 0xFFFFFFFEu);
  EXPECT_EQ(l, -5L);
  EXPECT_EQ(f, 1.5f);
  EXPECT_EQ(d, 2.0);
  EXPECT_TRUE(b);
}

TEST_F(ArchiveTest, LongsOutsideThirtyTwoBitsAreRefused) {
  EXPECT_EQ(CauseOf([this] { Store([](CArchive& ar) { ar << 0x100000000L; }); }),
            CArchiveException::generic);
  const std::vector<BYTE> bytes =
      Store([](CArchive& ar) { ar << static_cast<long long>(-0x123456789LL); });
  ASSERT_EQ(bytes.size(), 8u);
  long long back = 0;
  Load(bytes) >> back;
  EXPECT_EQ(back, -0x123456789LL);
}

TEST_F(ArchiveTest, StringLengthFormsAtTheirBoundaries) {
  struct Case {
    int length;
    std::vector<BYTE> prefix;
  };
  const Case cases[] = {
      {0, {0x00}},
      {254, {0xFE}},
      {255, {0xFF, 0xFF, 0x00}},
      {65534, {0xFF, 0xFE, 0xFF}},
      {65535, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
      {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
  };
  for (const Case& c : cases) {
    std::string text(static_cast<size_t>(c.length), 'a');
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 26);
    const std::vector<BYTE> bytes = Store([&](CArchive& ar) { ar << CString(text) << "end"; });
    ASSERT_EQ(bytes.size(), c.prefix.size() + text.size() + 4) << c.length;
    EXPECT_EQ(std::vector<BYTE>(bytes.begin(), bytes.begin() + c.prefix.size()), c.prefix)
        << c.length;
    CString back, end;
    Load(bytes) >> back >> end;
    EXPECT_EQ(back.str(), text) << c.length;
    EXPECT_EQ(end, "end") << c.length;
  }
}

TEST_F(ArchiveTest, EveryTruncationIsEndOfFile) {
  const std::vector<BYTE> full = Store([](CArchive& ar) {
    ar << static_cast<WORD>(7) << CString(std::string(300, 'x')) << 3.25 << CString("tail");
  });
  for (size_t cut = 0; cut < full.size(); ++cut) {
    const std::vector<BYTE> part(full.begin(), full.begin() + cut);
    const int cause = CauseOf([&] {
      CArchive& ar = Load(part);
      WORD w;
      CString a, b;
      double d;
      ar >> w >> a >> d >> b;
    });
    ASSERT_EQ(cause, CArchiveException::endOfFile) << "cut at " << cut;
  }
}

TEST_F(ArchiveTest, HugeStoredLengthFailsWithoutHugeAllocation) {
  // A DWORD length of 2 GB - 1 followed by a few bytes only.
  const std::vector<BYTE> bytes = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 'b'};
  CString s = "kept";
  EXPECT_EQ(CauseOf([&] { Load(bytes) >> s; }), CArchiveException::endOfFile);
  EXPECT_EQ(s, "kept");
}

TEST_F(ArchiveTest, DirectionIsEnforced) {
  EXPECT_EQ(CauseOf([this] { Load({1, 2}) << static_cast<BYTE>(1); }), CArchiveException::readOnly);
  EXPECT_EQ(CauseOf([this] {
              Store([](CArchive& ar) {
                BYTE b;
                ar >> b;
              });
            }),
            CArchiveException::writeOnly);
}

TEST_F(ArchiveTest, ObjectsUseTheClassicTagsAndShareReferences) {
  CArcTestPair pair;
  pair.m_first = new CArcTestPoint(5, "p");
  pair.m_second = pair.m_first;
  CArcTestPoint other(6, "q");
  const std::vector<BYTE> bytes = Store([&](CArchive& ar) {
    ar << &pair;
    ar << &other;
    ar << static_cast<const CObject*>(nullptr);
    ar << &pair;
  });
  const std::vector<BYTE> expected = Concat({
      {0xFF, 0xFF, 0x02, 0x00, 0x0C, 0x00},
      Text("CArcTestPair"),  // class 1, object 2
      {0xFF, 0xFF, 0x01, 0x00, 0x0D, 0x00},
      Text("CArcTestPoint"),  // class 3, object 4
      {0x05, 0x00, 0x00, 0x00, 0x01, 'p'},
      {0x04, 0x00},  // the same point again
      {0x03, 0x80},  // known class 3, object 5
      {0x06, 0x00, 0x00, 0x00, 0x01, 'q'},
      {0x00, 0x00},  // null
      {0x02, 0x00},  // the pair again
  });
  EXPECT_EQ(bytes, expected);

  CArchive& ar = Load(bytes);
  CArcTestPair* pairBack = nullptr;
  CArcTestPoint* otherBack = nullptr;
  CObject* null = reinterpret_cast<CObject*>(1);
  CObject* pairAgain = nullptr;
  ar >> pairBack >> otherBack >> null >> pairAgain;
  ASSERT_NE(pairBack, nullptr);
  ASSERT_NE(pairBack->m_first, nullptr);
  EXPECT_EQ(pairBack->m_first, pairBack->m_second);
  EXPECT_EQ(pairBack->m_first->m_x, 5);
  EXPECT_EQ(pairBack->m_first->m_name, "p");
  ASSERT_NE(otherBack, nullptr);
  EXPECT_EQ(otherBack->m_name, "q");
  EXPECT_EQ(null, nullptr);
  EXPECT_EQ(pairAgain, pairBack);
  delete pairBack;
  delete otherBack;
}

TEST_F(ArchiveTest, ReadingRefusesAnUnexpectedClass) {
  CArcTestPoint point(1, "x");
  const std::vector<BYTE> bytes = Store([&](CArchive& ar) {
    ar << &point;
    ar << &point;
  });
  EXPECT_EQ(CauseOf([&] {
              CArcTestPair* pair = nullptr;
              Load(bytes) >> pair;
            }),
            CArchiveException::badClass);
  // A back reference is checked too.
  CArchive& ar = Load(bytes);
  CObject* first = ar.ReadObject(RUNTIME_CLASS(CArcTestPoint));
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(CauseOf([&] { ar.ReadObject(RUNTIME_CLASS(CArcTestPair)); }),
            CArchiveException::badClass);
  delete first;
  // Any class derived from the one asked for is accepted.
  CObject* any = Load(bytes).ReadObject(RUNTIME_CLASS(CObject));
  EXPECT_TRUE(any->IsKindOf(RUNTIME_CLASS(CArcTestPoint)));
  delete any;
}

TEST_F(ArchiveTest, DamagedObjectStreamsAreRefused) {
  const std::vector<BYTE> unknown =
      Concat({{0xFF, 0xFF, 0x01, 0x00, 0x0C, 0x00}, Text("CNoSuchClass")});
  EXPECT_EQ(CauseOf([&] { Load(unknown).ReadObject(nullptr); }), CArchiveException::badClass);
  const std::vector<BYTE> wrongSchema =
      Concat({{0xFF, 0xFF, 0x09, 0x00, 0x0D, 0x00}, Text("CArcTestPoint")});
  EXPECT_EQ(CauseOf([&] { Load(wrongSchema).ReadObject(nullptr); }), CArchiveException::badSchema);
  EXPECT_EQ(CauseOf([&] { Load({0x05, 0x80}).ReadObject(nullptr); }), CArchiveException::badIndex);
  EXPECT_EQ(CauseOf([&] { Load({0x03, 0x00}).ReadObject(nullptr); }), CArchiveException::badIndex);
  // An object tag naming a class entry.
  CArcTestPoint point(1, "x");
  std::vector<BYTE> bytes = Store([&](CArchive& ar) { ar << &point; });
  bytes.push_back(0x01);
  bytes.push_back(0x00);
  CArchive& ar = Load(bytes);
  delete ar.ReadObject(nullptr);
  EXPECT_EQ(CauseOf([&] { ar.ReadObject(nullptr); }), CArchiveException::badIndex);
}

TEST_F(ArchiveTest, VersionableSchemaReachesSerialize) {
  // Stored by an older build with schema 1: only the first field.
  const std::vector<BYTE> old =
      Concat({{0xFF, 0xFF, 0x01, 0x00, 0x11, 0x00}, Text("CArcTestVersioned"), {0x07, 0x00}});
  CArcTestVersioned* v = nullptr;
  Load(old) >> v;
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->m_schemaSeen, 1u);
  EXPECT_EQ(v->m_a, 7);
  delete v;

  CArcTestVersioned current;
  current.m_a = 1;
  current.m_b = 2;
  const std::vector<BYTE> bytes = Store([&](CArchive& ar) { ar << &current; });
  EXPECT_EQ(bytes[2], 0x02);  // the stored schema leaves out the versionable bit
  EXPECT_EQ(bytes[3], 0x00);
  Load(bytes) >> v;
  EXPECT_EQ(v->m_schemaSeen, 2u);
  EXPECT_EQ(v->m_b, 2);
  delete v;
}

TEST_F(ArchiveTest, FailedLoadDeletesThePartialObject) {
  CArcTestFailing failing;
  const std::vector<BYTE> bytes = Store([&](CArchive& ar) { ar << &failing; });
  CArcTestFailing::s_deaths = 0;
  EXPECT_EQ(CauseOf([&] { Load(bytes).ReadObject(nullptr); }), CArchiveException::generic);
  EXPECT_EQ(CArcTestFailing::s_deaths, 1);
}

TEST_F(ArchiveTest, ObjectsWithoutSerialisationAreRefused) {
  CArcTestPlain plain;
  EXPECT_EQ(CauseOf([&] { Store([&](CArchive& ar) { ar << &plain; }); }),
            CArchiveException::badClass);
}

TEST_F(ArchiveTest, CountsSwitchToTheLongFormAtFFFF) {
  const std::vector<BYTE> bytes = Store([](CArchive& ar) {
    ar.WriteCount(0xFFFE);
    ar.WriteCount(0xFFFF);
  });
  EXPECT_EQ(bytes, (std::vector<BYTE>{0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}));
  CArchive& ar = Load(bytes);
  EXPECT_EQ(ar.ReadCount(), 0xFFFEu);
  EXPECT_EQ(ar.ReadCount(), 0xFFFFu);
}

TEST_F(ArchiveTest, CollectionsRoundTrip) {
  CArcTestPoint shared(3, "s");
  CObArray objects;
  objects.Add(&shared);
  objects.Add(nullptr);
  objects.Add(&shared);
  CStringArray strings;
  strings.Add("a");
  strings.Add(CString(std::string(300, 'b')));
  CMapStringToString names;
  names.SetAt("k1", "v1");
  names.SetAt("k2", "v2");
  CMapWordToOb byLang;
  byLang.SetAt(1033, &shared);
  CObList list;
  list.AddTail(&shared);
  const std::vector<BYTE> bytes = Store([&](CArchive& ar) {
    objects.Serialize(ar);
    strings.Serialize(ar);
    names.Serialize(ar);
    byLang.Serialize(ar);
    list.Serialize(ar);
  });

  CArchive& ar = Load(bytes);
  CObArray objects2;
  CStringArray strings2;
  CMapStringToString names2;
  CMapWordToOb byLang2;
  CObList list2;
  objects2.Serialize(ar);
  strings2.Serialize(ar);
  names2.Serialize(ar);
  byLang2.Serialize(ar);
  list2.Serialize(ar);
  ASSERT_EQ(objects2.GetSize(), 3);
  EXPECT_EQ(objects2[1], nullptr);
  EXPECT_EQ(objects2[0], objects2[2]);
  EXPECT_EQ(static_cast<CArcTestPoint*>(objects2[0])->m_x, 3);
  EXPECT_EQ(strings2.GetSize(), 2);
  EXPECT_EQ(strings2[1].GetLength(), 300);
  CString v;
  EXPECT_TRUE(names2.Lookup("k2", v));
  EXPECT_EQ(v, "v2");
  CObject* ob = nullptr;
  EXPECT_TRUE(byLang2.Lookup(1033, ob));
  EXPECT_EQ(ob, objects2[0]);  // one object across the whole archive
  EXPECT_EQ(list2.GetHead(), objects2[0]);
  delete objects2[0];
}

TEST_F(ArchiveTest, DamagedCollectionCountRunsIntoTheEnd) {
  // A count of 0xFFFFFFF0 strings with only one present.
  const std::vector<BYTE> bytes = {0xFF, 0xFF, 0xF0, 0xFF, 0xFF, 0xFF, 0x01, 'z'};
  CStringArray strings;
  EXPECT_EQ(CauseOf([&] { strings.Serialize(Load(bytes)); }), CArchiveException::endOfFile);
  EXPECT_EQ(strings.GetSize(), 1);
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
  {
    CArchive ar(&file, CArchive::load, 128);
    int v = 0;
    for (int i = 0; i < 10; ++i) ar >> v;
    EXPECT_EQ(v, 9);
    ar.Close();  // hands back what it read ahead
  }
  EXPECT_EQ(file.GetPosition(), 40u);
  CArchive ar(&file, CArchive::load);
  int v = 0;
  for (int i = 10; i < 1000; ++i) {
    ar >> v;
    ASSERT_EQ(v, i);
  }
  CString s;
  ar >> s;
  EXPECT_EQ(s.GetLength(), 5000);
  BYTE extra;
  EXPECT_THROW(ar >> extra, CArchiveException);
}

}  // namespace
