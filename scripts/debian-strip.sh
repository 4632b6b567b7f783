#!/bin/sh
# strip as Debian's dh_strip does: the symbols, and the .comment and .note
# sections, which name only the compiler; the build ID note stays. The
# package build installs with it (CMAKE_STRIP).
exec strip --remove-section=.comment --remove-section=.note "$@"
