#!/usr/bin/env bash
# Makes the LZH and ZIP fixtures of the archive tests in tests/data/archive (committed, so
# the tests need none of these tools). Needs python3, jlha (Debian: jlha-utils) to pack
# lh5/lh6/lh7 data, and lhasa and unzip to check the result. The output is the same on
# every run. Usage: scripts/make_archive_fixtures.sh
set -euo pipefail
cd "$(dirname "$0")/../tests/data/archive"
for tool in python3 jlha lhasa unzip; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done
# Level 0/1 LZH and ZIP stamps are local times: the fixtures are written in UTC.
export TZ=UTC
python3 make_archive_fixtures.py

# Every well-formed archive must test clean with the other tools.
fail=0
# bad_member.*, bad_local.zip and skipped_local.zip hold an unreadable member,
# damaged_header.lzh and unsupported_lh2.lzh a header or method nobody reads, junk_tail.lzh
# bytes after its members, cut_directory.zip no directory, cut_in_directory.zip half of one,
# not_a_zip.zip no archive, and fake_end.zip an end record that hides the archive from
# readers that trust the last one: the other tools trip on them on purpose.
for f in *.lzh *.Lzh5 hostile/*.lzh; do
  case "$f" in bad_member.lzh | damaged_header.lzh | unsupported_lh2.lzh | junk_tail.lzh) continue ;; esac
  if ! lhasa t "$f" >/dev/null 2>&1; then echo "lhasa rejects $f" >&2; fail=1; fi
done
for f in *.zip *.exe; do
  case "$f" in tiny21.zip | not_a_zip.zip | bad_member.zip | bad_local.zip | skipped_local.zip | cut_directory.zip | cut_in_directory.zip | fake_end.zip) continue ;; esac
  # 1: a warning, as for a program or padding in front whose size the offsets leave out.
  rc=0
  unzip -P zelmo -tqq "$f" >/dev/null 2>&1 || rc=$?
  if [ "$rc" -gt 1 ] || { [ "$rc" = 1 ] && [ "${f%.exe}" = "$f" ] && [ "$f" != padded.zip ]; }; then
    echo "unzip rejects $f" >&2
    fail=1
  fi
done
if unzip -tqq hostile/bomb.zip >/dev/null 2>&1; then
  echo "unzip no longer sees the overlap in hostile/bomb.zip" >&2
  fail=1
fi
[ "$fail" = 0 ] && echo "archive fixtures written to $(pwd)"
exit "$fail"
