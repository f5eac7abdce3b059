// The content of the sample model library that zldb demo writes: folders
// and models with English and German texts.
#ifndef ZLDB_DEMO_CATALOG_H_
#define ZLDB_DEMO_CATALOG_H_

#include <cstddef>

namespace zldb {

struct DemoFolder {
  const char* key;
  const char* parentKey;  // null for the top folder
  const char* titleEn;
  const char* titleDe;
  const char* infoEn;
  const char* infoDe;
};

struct DemoModel {
  const char* folderKey;
  const char* defName;
  const char* titleEn;
  const char* titleDe;
  const char* ratings;  // figures shared by both languages' information text
};

// Folders in creation order: every parent comes before its children.
const DemoFolder* DemoFolders(size_t& count);
// Models in creation order within each folder.
const DemoModel* DemoModels(size_t& count);

}  // namespace zldb

#endif  // ZLDB_DEMO_CATALOG_H_
