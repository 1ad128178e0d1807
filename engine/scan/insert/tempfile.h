// A file that exists for the lifetime of the object: how a text reaches a
// program that reads only files.
#pragma once

#include <string>

class TempFile {
 public:
  // Creates a new empty file in $TMPDIR (or /tmp); path() is empty when it could not be made.
  explicit TempFile(const std::string& suffix);
  // Removes the file.
  ~TempFile();
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  // The file's path, empty when it could not be made.
  const std::string& path() const { return name; }
  // Replaces the file's content with `text`; false when it could not be written.
  bool write(const std::string& text);

 private:
  std::string name;
};
