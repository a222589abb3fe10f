#!/usr/bin/env bash
# Fails when a source file includes a folder above its own layer.
#
# The layers, from the ground up, one line each. A folder may include its own
# layer and the layers below it. Each subsystem core has a layer of its own,
# so a core includes only cores below it and never a folder of windows; the
# windows of the subsystems share one layer.
set -euo pipefail
cd "$(dirname "$0")/../src"

layers='
platform platform/desktop platform/dialogs platform/midi platform/media
library
chords
chordpro
midi
events
audio audio/library
windows
chordpro/editor chordpro/export chords/windows midi/windows events/windows audio/windows settings
controller
app
'

find . \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z |
  xargs -0 grep -HE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"]*/' |
  awk -v layers="$layers" '
    BEGIN {
      n = split(layers, rows, "\n")
      level = 0
      for (i = 1; i <= n; i++) {
        if (rows[i] ~ /^[[:space:]]*$/) continue
        m = split(rows[i], folders, " ")
        for (j = 1; j <= m; j++) rank[folders[j]] = level
        level++
      }
      status = 0
    }
    # The folder of a path: its first two components when they name a folder
    # of the table, else its first.
    function folder(path,   parts, k) {
      k = split(path, parts, "/")
      if (k > 2 && ((parts[1] "/" parts[2]) in rank)) return parts[1] "/" parts[2]
      return parts[1]
    }
    {
      file = $0; sub(/^\.\//, "", file); sub(/:.*/, "", file)
      included = $0; sub(/^[^"]*"/, "", included); sub(/".*/, "", included)
      from = folder(file)
      to = folder(included)
      if (!(from in rank)) {
        if (!(from in reported)) print "src/" file ": folder " from " is in no layer (add it to scripts/check-layers.sh)"
        reported[from] = 1; status = 1; next
      }
      if (!(to in rank)) next
      if (rank[to] > rank[from]) {
        print "src/" file " includes " included ": " to " is above " from
        status = 1
      }
    }
    END {
      if (status) print "Includes run against the layers (see docs/architecture.md)."
      exit status
    }'
