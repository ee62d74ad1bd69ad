#!/usr/bin/env bash
# The manual pages against the programs' own option tables: every option a
# program's --help lists is described in its page, and the pages as built
# show no stray Markdown.
#   man_options_test.sh MAN_SOURCE_DIR MAN_BUILD_DIR SPLICER [TSXHOST]
set -u
source_dir=$1 build_dir=$2 splicer=$3 tsxhost=${4:-}
failures=0

options() { grep -oE '^ +(-[a-z], ?)?--[a-z][a-z-]*' | grep -oE -- '--[a-z][-a-z]*'; }

check() {
  local page=$1 option
  shift
  for option in "$@"; do
    if ! grep -qF -- "**$option**" "$source_dir/$page.md"; then
      echo "FAIL: $page does not describe $option"
      ((failures++))
    fi
  done
}

for command in info join; do
  check splicer.1 $("$splicer" "$command" --help | options)
done
if [[ -n $tsxhost ]]; then
  check tsxhost.1 $(QT_QPA_PLATFORM=offscreen "$tsxhost" --help | options)
fi

for page in "$build_dir"/*.1.gz; do
  # roff has no use for an asterisk: one left is emphasis that did not take.
  if zcat "$page" | grep -n '\*' | grep -v '^[0-9]*:\.\\"'; then
    echo "FAIL: $(basename "$page") shows asterisks"
    ((failures++))
  fi
done

if ((failures)); then exit 1; fi
echo "man pages: every option described"
