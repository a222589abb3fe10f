#!/usr/bin/env bash
# Fails on a file-touching call outside src/platform that the allow-list does
# not name.
#
# The main thread never touches the library, the notes, the music folder or a
# share: the platform's file calls note one made there (platform/MainThreadFiles),
# but only the calls that pass through them. So every other file call of the
# program is either moved into the platform or listed in
# scripts/file-calls-allowed.txt, one line each:
#
#   src/<file> | <the call's text, as it stands in the line> | <why it never runs on the main thread>
#
# An entry covers the lines of its file that hold its text, wherever they move;
# an entry that covers none fails too, so that the list stays true.
#
# A QFileInfo or QDir used for path strings (fileName, suffix, absolutePath,
# filePath, cleanPath...) asks nothing of the file system and needs no entry;
# a QFile on a resource (":/...") neither. Better still, platform/Paths.h has
# those string functions without the classes.
#
# No text match sees every spelling of a call (a QFile set up later, a
# temporary, a call split over lines, a class that looks at files by itself),
# so the include of a header that brings file calls (<QFile>, <QDir>,
# <QFileDialog>, <QImageReader>, <QProcess>, <fstream>, <unistd.h>...) needs
# its entry too, its text being the include line: `#include <QFile>`.
#
#   --self-test   runs the check on small made-up trees and fails unless each
#                 gives the answer written beside it.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

check() { # root of a tree holding src/ and scripts/file-calls-allowed.txt
  local root="$1" allowed="$1/scripts/file-calls-allowed.txt"
  (cd "$root" && find src \( -name '*.cpp' -o -name '*.h' \) -not -path 'src/platform/*' -print0 | sort -z |
    xargs -0 -r awk -v allowed="$allowed" '
    BEGIN {
      status = 0
      # QFileInfo and QDir members that ask the file system.
      looks = "(exists|isDir|isFile|isReadable|isWritable|isExecutable|isSymLink|isSymbolicLink|isHidden|isJunction|isShortcut|isAlias|isBundle|isRoot|size|lastModified|lastRead|birthTime|metadataChangeTime|fileTime|permission|permissions|canonicalFilePath|canonicalPath|symLinkTarget|junctionTarget|readSymLink|owner|ownerId|group|groupId|refresh|mkdir|mkpath|rmdir|rmpath|remove|rename|removeRecursively|entryList|entryInfoList|count|isEmpty|cd|cdUp)"
      ident = "[A-Za-z_][A-Za-z0-9_]*"
      args = "\\(([^()]|\\([^()]*\\))*\\)" # the arguments of a call, one level of parentheses within
      while ((getline line < allowed) > 0) {
        ++lineNo
        if (line ~ /^[[:space:]]*(#|$)/) continue
        first = index(line, " | ")
        rest = substr(line, first + 3)
        last = 0
        for (i = length(rest) - 2; i > 0; --i)
          if (substr(rest, i, 3) == " | ") { last = i; break }
        why = last ? substr(rest, last + 3) : ""
        text = last ? substr(rest, 1, last - 1) : ""
        gsub(/^[[:space:]]+|[[:space:]]+$/, "", why)
        if (!first || text == "" || why == "") {
          print allowed ":" lineNo ": an entry is \"src/<file> | <call text> | <why>\": " line
          status = 1
          continue
        }
        ++entries
        entryFile[entries] = substr(line, 1, first - 1)
        entryText[entries] = text
        entryLine[entries] = lineNo
      }
    }
    FNR == 1 { delete infoNames; delete dirNames; delete pdfNames }
    # The headers that bring file calls, the umbrella ones with them.
    function fileHeader(code) {
      if (code ~ /#[[:space:]]*include[[:space:]]*[<"](Qt[A-Za-z]+\/)?(QFile|QFileInfo|QDir|QDirIterator|QSaveFile|QFileDialog|QFileSystemModel|QFileSystemWatcher|QFileIconProvider|QImageReader|QImageWriter|QTemporaryFile|QTemporaryDir|QLockFile|QStorageInfo|QSettings|QProcess|QPdfDocument|QtCore|QtGui|QtWidgets)[>"]/) return "file-touching Qt header"
      if (code ~ /#[[:space:]]*include[[:space:]]*[<"](fstream|cstdio|stdio\.h|dirent\.h|ftw\.h|fcntl\.h|unistd\.h|filesystem|sys\/stat\.h|sys\/statvfs\.h|taglib\/fileref\.h|taglib\/tfilestream\.h)[>"]/) return "file-touching C or C++ header"
      return ""
    }
    # One reason per kind of call, "" when the line touches no file.
    function fileCall(code,   m, name, rest) {
      if (code ~ /QFile::(exists|remove|rename|copy|link|moveToTrash|resize|permissions|setPermissions|symLinkTarget)[[:space:]]*\(/) return "QFile"
      if ((code ~ ("(^|[^A-Za-z0-9_])QFile[[:space:]]+" ident "[[:space:]]*[({]") || code ~ /new QFile[[:space:]]*\(/) && code !~ /":\//) return "QFile"
      if (code ~ /(QFileInfo|QDir)::exists[[:space:]]*\(/) return "QFileInfo"
      if (code ~ ("QFileInfo[[:space:]]*" args "\\." looks "[[:space:]]*\\(")) return "QFileInfo"
      if (code ~ ("QDir[[:space:]]*" args "\\." looks "[[:space:]]*\\(")) return "QDir"
      if (code ~ ("\\.(absoluteDir|dir)\\(\\)\\." looks "[[:space:]]*\\(")) return "QDir"
      for (name in infoNames) if (code ~ ("(^|[^A-Za-z0-9_])" name "\\." looks "[[:space:]]*\\(")) return "QFileInfo"
      for (name in dirNames) if (code ~ ("(^|[^A-Za-z0-9_])" name "\\." looks "[[:space:]]*\\(")) return "QDir"
      for (name in pdfNames) if (code ~ ("(^|[^A-Za-z0-9_])" name "(\\.|->)load[[:space:]]*\\(")) return "QPdfDocument load"
      if (code ~ /(^|[^A-Za-z0-9_])(QDirIterator|QSaveFile|QStorageInfo|QLockFile|QTemporaryFile|QTemporaryDir|QFileSystemWatcher|QFileSystemModel|QSettings|QImageReader|QImageWriter)([^A-Za-z0-9_]|$)/) return "Qt file class"
      if (code ~ /TagLib::(FileRef|FileStream|[A-Za-z0-9]+::File)[[:space:]]*[A-Za-z_]*[[:space:]]*\([^&)]/) return "TagLib on a path"
      if (code ~ /std::(i|o)?fstream|std::filebuf|std::filesystem::|sqlite3_open|setOutputFileName[[:space:]]*\(/) return "stream, sqlite or file system library"
      if (code ~ /(^|[^A-Za-z0-9_.>:])(::)?(fopen|freopen|opendir|stat|lstat|statx|fstatat|realpath|readlink|mkfifo|statvfs)[[:space:]]*\(/) return "C file call"
      if (code ~ /(^|[^A-Za-z0-9_.>:])::(open|openat|creat|access|faccessat|unlink|unlinkat|rename|renameat|link|symlink|mkdir|mkdirat|rmdir|truncate|chmod|chown|utimensat|remove)[[:space:]]*\(/) return "C file call"
      return ""
    }
    /^[[:space:]]*#[[:space:]]*include/ {
      code = $0
      kind = fileHeader(code)
      if (kind != "") listed(code, kind)
      next
    }
    {
      code = $0
      if (code ~ /^[[:space:]]*(\/\*|\*)/) next
      if (match(code, /(^|[^:])\/\//)) code = substr(code, 1, RSTART)
      # The names that hold a QFileInfo, a QDir or a PDF document in this file.
      rest = code
      while (match(rest, ("(^|[^A-Za-z0-9_])QFileInfo[[:space:]&]+" ident))) {
        name = substr(rest, RSTART, RLENGTH); sub(/.*QFileInfo[[:space:]&]+/, "", name); infoNames[name] = 1
        rest = substr(rest, RSTART + RLENGTH)
      }
      rest = code
      while (match(rest, ("(^|[^A-Za-z0-9_])QDir[[:space:]&]+" ident))) {
        name = substr(rest, RSTART, RLENGTH); sub(/.*QDir[[:space:]&]+/, "", name); dirNames[name] = 1
        rest = substr(rest, RSTART + RLENGTH)
      }
      if (match(code, ("QPdfDocument[[:space:]*&]+" ident))) {
        name = substr(code, RSTART, RLENGTH); sub(/QPdfDocument[[:space:]*&]+/, "", name); pdfNames[name] = 1
      }
      if (match(code, (ident "[[:space:]]*=[[:space:]]*new QPdfDocument"))) {
        name = substr(code, RSTART, RLENGTH); sub(/[[:space:]]*=.*/, "", name); pdfNames[name] = 1
      }
      kind = fileCall(code)
      if (kind != "") listed(code, kind)
    }
    # Fails on the line unless an entry covers it.
    function listed(code, kind,   e, covered, line) {
      covered = 0
      for (e = 1; e <= entries; ++e)
        if (entryFile[e] == FILENAME && index(code, entryText[e])) { used[e] = 1; covered = 1 }
      if (covered) return
      line = $0; gsub(/^[[:space:]]+/, "", line)
      print FILENAME ":" FNR ": " kind ": " line
      status = 1
    }
    END {
      for (e = 1; e <= entries; ++e)
        if (!(e in used)) {
          print allowed ":" entryLine[e] ": names no file call of " entryFile[e] " any more: \"" entryText[e] "\""
          status = 1
        }
      if (status)
        print "File calls outside src/platform: use the platform'"'"'s (platform/RegularFile.h, platform/AtomicFile.h, platform/Paths.h for path strings), or say in scripts/file-calls-allowed.txt why the call or the include never runs on the main thread (docs/architecture.md)."
      exit status
    }')
}

self_test() {
  local tree failed=0
  tree="$(mktemp -d)"
  trap 'rm -rf "$tree"' RETURN
  mkdir -p "$tree/src/library" "$tree/src/platform" "$tree/scripts"
  # One row each: the answer, a line of src/library/Song.cpp, the allow-list.
  local rows=(
    'fails|    QFile file(path); file.open(QIODevice::ReadOnly);|'
    'passes|    QFile file(path); file.open(QIODevice::ReadOnly);|src/library/Song.cpp | QFile file(path) | read on the scan thread only'
    'fails|    QFile file(path);|src/library/Song.cpp | QFile file(path) |'
    'fails|    const bool there = QFileInfo::exists(path);|'
    'fails|    const QFileInfo info(path); if (info.isDir()) return;|'
    'passes|    const QFileInfo info(path); return info.fileName() + QFileInfo(path).suffix();|'
    'passes|    return QDir(folder).filePath(QFileInfo(path).completeBaseName()) + QFileInfo(path).suffix().size();|'
    'fails|    return QDir(folder).entryList(QDir::Files);|'
    'passes|    QFile resource(QStringLiteral(":/help/Sample.chopro"));|'
    'passes|    // QFile file(path) in a comment|'
    'fails|    return 1;|src/library/Song.cpp | QFile file(path) | an entry left behind'
    # An include brings every spelling of the calls; src/platform/Own.cpp has one too, and passes.
    'fails|#include <QFile>|'
    'fails|#include <QtCore/QFileInfo>|'
    'fails|#include <cstdio>|'
    'passes|#include <QFile>|src/library/Song.cpp | #include <QFile> | a resource read only'
    'fails|#include <QFileInfo>|src/library/Song.cpp | #include <QFile> | a resource read only'
  )
  local row answer line list got
  for row in "${rows[@]}"; do
    answer="${row%%|*}"; row="${row#*|}"
    line="${row%%|*}"; list="${row#*|}"
    printf '%s\n' "$line" >"$tree/src/library/Song.cpp"
    printf '#include <QFile>\nQFile file(path);\n' >"$tree/src/platform/Own.cpp"
    printf '%s\n' "$list" >"$tree/scripts/file-calls-allowed.txt"
    if check "$tree" >/dev/null; then got=passes; else got=fails; fi
    if [[ "$got" != "$answer" ]]; then
      echo "check-file-calls self-test: \"$line\" with \"$list\" $got; it should be: $answer"
      failed=1
    fi
  done
  return $failed
}

if [[ "${1:-}" == --self-test ]]; then
  self_test
else
  check "$here/.."
fi
