#include "ui/open_folder.h"

#include <QMimeData>
#include <QUrl>

#include <memory>

#include "engine/disk/file_names.h"

namespace renamer::ui {

std::u16string DroppedFolder(const QMimeData& data) {
  for (const QUrl& url : data.urls()) {
    if (!url.isLocalFile()) continue;
    // The encoded path keeps bytes that are not UTF-8, which toLocalFile() would lose.
    const QByteArray bytes =
        QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    return FolderOf(DecodeFileName(std::string_view(bytes.constData(), bytes.size())));
  }
  return {};
}

int IdentifyDirectory(FileSystem& fs, const std::u16string& path, FileIdentity& identity) {
  int error = 0;
  const std::unique_ptr<Directory> dir = fs.Open(EncodeFileName(path), error);
  if (dir == nullptr) return error;
  return dir->Identify(".", identity);
}

std::u16string NearestExistingParent(FileSystem& fs, const std::u16string& path) {
  std::u16string parent = path;
  FileIdentity identity;
  do {
    const std::size_t slash = parent.find_last_of(u'/');
    parent = slash == 0 || slash == std::u16string::npos ? u"/" : parent.substr(0, slash);
  } while (parent != u"/" && IdentifyDirectory(fs, parent, identity) != 0);
  return parent;
}

}  // namespace renamer::ui
