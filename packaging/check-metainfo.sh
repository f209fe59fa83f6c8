#!/usr/bin/env bash
# Test: the metainfo file passes AppStream's validator, and its newest release is the version
# being built (a release without its entry would show software centres an old version).
# Usage: check-metainfo.sh <metainfo.xml> <version>
set -euo pipefail
metainfo=$1 version=$2
appstreamcli validate --no-net "$metainfo"
newest=$(grep -o -m1 '<release version="[^"]*"' "$metainfo" | cut -d'"' -f2)
if [[ "$newest" != "$version" ]]; then
    echo "newest release in $metainfo is '$newest', the build is $version" >&2
    exit 1
fi
