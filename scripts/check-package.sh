#!/usr/bin/env bash
# Checks an installed Phrase Desk package (CI, after package.sh and
# `apt-get install ./phrasedesk_*.deb`, as root):
#   scripts/check-package.sh phrasedesk_<version>_amd64.deb
# The package passes lintian without errors, its menu entry and software-centre
# data validate, and the installed program runs as an unprivileged user from
# a read-only /usr without writing anything there.
set -euo pipefail
deb="$1"

lintian --fail-on error --suppress-tags-from-file /dev/null "$deb"
desktop-file-validate /usr/share/applications/phrasedesk.desktop
appstreamcli validate --no-net /usr/share/metainfo/com.oxvel.PhraseDesk.metainfo.xml
man -l /usr/share/man/man1/phrasedesk.1.gz >/dev/null 2>&1 || zcat /usr/share/man/man1/phrasedesk.1.gz >/dev/null

# The runs: as "nobody" with a home of its own, /usr read-only where the
# kernel lets us make it so (a mount namespace), else merely not writable.
home="$(mktemp -d)"
chown nobody "$home"
stamp="$(mktemp)"
trap 'rm -rf "$home" "$stamp"' EXIT
sleep 1
touch "$stamp"
if unshare --mount true 2>/dev/null; then
  readonly_usr() { unshare --mount sh -c 'mount --bind -o ro /usr /usr 2>/dev/null || mount -o remount,bind,ro /usr; exec "$@"' sh "$@"; }
else
  echo "check-package: no mount namespace here; /usr is only not writable for the user" >&2
  readonly_usr() { "$@"; }
fi
readonly_usr runuser -u nobody -- env -i HOME="$home" PATH=/usr/bin:/bin phrasedesk -version
readonly_usr runuser -u nobody -- env -i HOME="$home" PATH=/usr/bin:/bin \
  phrasedesk -stats /usr/share/phrasedesk/examples/Notes.ntv.lng
readonly_usr runuser -u nobody -- env -i HOME="$home" PATH=/usr/bin:/bin phrasedesk -help >/dev/null
changed="$(find /usr/bin/phrasedesk /usr/share/phrasedesk -newer "$stamp" | head -n 5)"
if [ -n "$changed" ]; then
  echo "check-package: the program wrote into its installation:" >&2
  echo "$changed" >&2
  exit 1
fi
echo "check-package: $deb passes"
