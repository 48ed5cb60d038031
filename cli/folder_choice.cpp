#include "cli/folder_choice.h"

#include <unordered_set>

#include "engine/disk/file_names.h"
#include "engine/disk/folder_of.h"
#include "engine/run/report.h"

namespace renamer::cli {
namespace {

std::string Quoted(const std::string& path) { return "“" + path + "”"; }

std::string Reason(int error) { return EncodeFileName(DescribeError(error)); }

}  // namespace

std::vector<std::string> ReadNulSeparated(std::FILE* in) {
  std::vector<std::string> paths;
  std::string path;
  for (int c = std::getc(in); c != EOF; c = std::getc(in)) {
    if (c != '\0') {
      path += static_cast<char>(c);
    } else if (!path.empty()) {
      paths.push_back(std::move(path));
      path.clear();
    }
  }
  if (!path.empty()) paths.push_back(std::move(path));
  return paths;
}

FolderChoice ChooseFolder(const std::vector<std::string>& paths) {
  FolderChoice choice;
  const std::vector<std::string> asked = paths.empty() ? std::vector<std::string>{"."} : paths;
  std::string firstPath;
  bool folderGiven = false;
  // `find -print0` may hand over a whole folder's files: no pass over the names per name.
  std::unordered_set<std::u16string> given;
  for (const std::string& path : asked) {
    int error = 0;
    bool isFolder = false;
    const std::u16string folder = FolderOf(DecodeFileName(path), &error, &isFolder);
    if (error != 0) {
      choice.error = "无法访问" + Quoted(path) + "：" + Reason(error);
      return choice;
    }
    if (choice.folder.empty()) {
      choice.folder = folder;
      firstPath = path;
    } else if (isFolder || folderGiven) {
      choice.error = "只能给出一个目录，或同一目录中的文件：" + Quoted(firstPath) + "和" +
                     Quoted(path) + "不能一起给出";
      return choice;
    } else if (folder != choice.folder) {
      choice.error =
          "给出的文件须在同一目录中：" + Quoted(firstPath) + "和" + Quoted(path) + "不在同一目录";
      return choice;
    }
    folderGiven = folderGiven || isFolder;
    if (isFolder) continue;
    const std::size_t slash = path.find_last_of('/');
    std::u16string name =
        DecodeFileName(slash == std::string::npos ? path : path.substr(slash + 1));
    if (given.insert(name).second) choice.names.push_back(std::move(name));
  }
  if (const int error = FolderAccessError(choice.folder); error != 0) {
    choice.error = "无法读取目录" + Quoted(EncodeFileName(choice.folder)) + "：" + Reason(error);
  }
  return choice;
}

}  // namespace renamer::cli
