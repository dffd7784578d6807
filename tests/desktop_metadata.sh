#!/bin/sh
# The launcher and the software centre's metadata as validators read them: no error and no warning (infos are
# fine), one id for both, and the icon named by it.
#   desktop_metadata.sh DIST_FOLDER ID
# Exit 77 (skipped) when a validator is missing; scripts/install-deps.sh test installs both.
set -eu
dist=$1
id=$2
for tool in appstreamcli desktop-file-validate; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit 77; }
done
status=0
said=$(appstreamcli validate --no-net "$dist/$id.metainfo.xml" 2>&1) || status=$?
echo "$said"
if [ "$status" -ne 0 ] || echo "$said" | grep -q '^[EW]:'; then
    echo "FAIL: the metainfo has errors or warnings" >&2
    exit 1
fi
said=$(desktop-file-validate "$dist/$id.desktop" 2>&1) || status=$?
echo "$said"
if [ "$status" -ne 0 ] || [ -n "$said" ]; then
    echo "FAIL: the launcher has errors or warnings" >&2
    exit 1
fi
grep -qF "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$dist/$id.metainfo.xml" ||
    { echo "FAIL: the metainfo does not launch $id.desktop" >&2; exit 1; }
grep -qxF "Icon=$id" "$dist/$id.desktop" || { echo "FAIL: the launcher's icon is not $id" >&2; exit 1; }
echo "ok"
