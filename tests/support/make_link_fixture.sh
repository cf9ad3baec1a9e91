#!/bin/sh
# Unix symbolic links for the tests that must not follow links: Wine shows each as a
# reparse point. Every link's target holds a canary file that must survive.
#   make_link_fixture.sh DIR
set -eu
dir="$1"
rm -rf "$dir"
# A link inside a launcher folder, to a folder beside it.
mkdir -p "$dir/launcher" "$dir/outside/sub"
echo k > "$dir/outside/keep.txt"
echo k > "$dir/outside/sub/keep2.txt"
echo o > "$dir/launcher/own.txt"
ln -s ../outside "$dir/launcher/outside-link"
# An install folder that is a link, and one whose parent is.
mkdir -p "$dir/elsewhere-install/launcher" "$dir/elsewhere-parent/Velkarion/launcher"
echo c > "$dir/elsewhere-install/launcher/canary.txt"
echo c > "$dir/elsewhere-parent/Velkarion/launcher/canary.txt"
ln -s elsewhere-install "$dir/linked-install"
ln -s elsewhere-parent "$dir/linked-parent"
# A write target holding a folder link. (Wine shows a Unix link to a file as a plain file.)
mkdir -p "$dir/target" "$dir/elsewhere-data"
echo c > "$dir/elsewhere-data/canary.txt"
ln -s ../elsewhere-data "$dir/target/data"
