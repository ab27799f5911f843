# What the cross builds share (sourced by build-windows.sh and
# build-web.sh): Debian packages installed when missing, a deb-src entry
# for apt-get source, the versions apt would fetch, and the cache of the
# libraries built from them; the scripts' messages and logged commands.

say() { echo "$(basename "$0" .sh): $*"; }
# run LOG COMMAND...: the command's output goes to LOG, shown if it fails.
run() {
  local log=$1
  shift
  "$@" >>"$log" 2>&1 || { tail -n 40 "$log" >&2; say "failed, see $log" >&2; return 1; }
}

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

# install_missing PACKAGE...: installs those that are not installed.
install_missing() {
  local p missing=()
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  if [ ${#missing[@]} -gt 0 ]; then
    say "installing ${missing[*]}"
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}
# --- Debian's source index ----------------------------------------------------
# apt-get source needs a deb-src entry; the image has binary entries only.
# Ours is in a file of its own, on the mirror (and with the key) that the
# bookworm binary entry already uses: apt refuses two Signed-By values for
# one archive.
srclist=/etc/apt/sources.list.d/zorvane-deb-src.list

# Prints "URI SIGNED-BY" of the enabled bookworm main binary entry, from
# one-line .list files and deb822 .sources files alike.
bookworm_entry() {
  local f
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    if [ ! -f "$f" ] || [ "$f" = "$srclist" ]; then continue; fi
    awk '$1 == "deb" {
      opts = ""; i = 2
      if ($2 ~ /^\[/) { while (i <= NF) { opts = opts " " $i; if ($i ~ /\]$/) break; i++ } i++ }
      if ($(i + 1) != "bookworm") next
      main = 0; for (j = i + 2; j <= NF; j++) if ($j == "main") main = 1
      if (!main) next
      key = "-"; if (match(opts, /signed-by=[^] ]+/)) key = substr(opts, RSTART + 10, RLENGTH - 10)
      print $i, key; exit
    }' "$f"
  done
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    # Stanzas are separated by blank lines; a value may go on over lines
    # starting with a space (only a key file's path is usable here).
    awk 'function flush() {
        if (types ~ /(^| )deb( |$)/ && suites ~ /(^| )bookworm( |$)/ &&
            comps ~ /(^| )main( |$)/ && tolower(enabled) != "no" && uri != "")
          { print uri, (key ~ /^\// ? key : "-"); found = 1; exit }
        types = suites = comps = uri = key = enabled = ""
      }
      /^[ \t]*$/ { flush(); next }
      /^#/ { next }
      /^[^ \t]/ {
        field = tolower($1); sub(/:$/, "", field); $1 = ""; sub(/^ +/, "")
        if (field == "types") types = $0
        else if (field == "suites") suites = $0
        else if (field == "components") comps = $0
        else if (field == "uris") { split($0, u, " "); uri = u[1] }
        else if (field == "signed-by") key = $0
        else if (field == "enabled") enabled = $0
      }
      END { if (!found) flush() }' "$f"
  done
}

entry=$(bookworm_entry | head -n 1)
mirror=${entry% *}
key=${entry#* }
if [ -z "$entry" ]; then
  mirror=http://deb.debian.org/debian
  key=-
  say "no bookworm main entry found in apt's sources, using $mirror"
fi
if [ "$key" != "-" ]; then
  want="deb-src [signed-by=$key] $mirror bookworm main"
else
  want="deb-src $mirror bookworm main"
fi
if [ "$(cat "$srclist" 2>/dev/null)" != "$want" ]; then
  say "adding '$want' to $srclist"
  echo "$want" | $sudo tee "$srclist" >/dev/null
  $sudo apt-get update -qq
elif ! apt-cache showsrc libpng1.6 2>/dev/null | grep -q '^Package:'; then
  # The entry is there but the index is not (lists cleaned up).
  $sudo apt-get update -qq
fi

# The version apt-get source would fetch, read from the index (nothing is
# downloaded): that of the .dsc file's name, which has no epoch (a colon
# would break pkg-config's search path), and the full one to ask for.
dsc_version() {
  apt-get source --print-uris -qq "$1" 2>/dev/null |
    sed -n "s/^'[^']*' $1_\(.*\)\.dsc .*/\1/p" | head -n 1
}
full_version() {
  local v
  for v in $(apt-cache showsrc --only-source "$1" | sed -n 's/^Version: //p'); do
    if [ "${v#*:}" = "$2" ]; then
      echo "$v"
      return
    fi
  done
  echo "$2"
}

# source_versions PACKAGE...: fills version[PACKAGE] (for file names),
# fetch[PACKAGE] (for apt-get source) and cache_key (all of them, for the
# name of the folder the built libraries are kept in).
declare -A version fetch
cache_key=""
source_versions() {
  local s
  for s in "$@"; do
    version[$s]=$(dsc_version "$s")
    if [ -z "${version[$s]}" ]; then
      echo "$(basename "$0" .sh): apt has no source package $s (is $srclist read?)" >&2
      exit 1
    fi
    fetch[$s]=$(full_version "$s" "${version[$s]}")
    cache_key+="${cache_key:+_}${s}-${version[$s]}"
  done
}

# fetch_sources FOLDER LOGS PACKAGE...: each package's source, unpacked with
# Debian's patches applied (dpkg-source -x), into FOLDER/PACKAGE-UPSTREAM.
fetch_sources() {
  local dir=$1 logs=$2 s
  shift 2
  for s in "$@"; do
    say "fetching $s ${version[$s]}"
    (cd "$dir" && apt-get source -qq "$s=${fetch[$s]}") >"$logs/$s-source.log" 2>&1 ||
      { cat "$logs/$s-source.log" >&2; return 1; }
  done
}

# library_cache: the target's libraries in $final (with its prefix $prefix,
# in the folder $cache), checked with the caller's check_prefix FOLDER and
# built with its build_libraries when missing or failing the check. One run
# at a time fills the cache; the others wait and then reuse it.
library_cache() {
  exec 9>"$cache/.lock"
  flock 9
  if [ -d "$final" ] && check_prefix "$prefix"; then
    say "target libraries cached in $final"
  else
    if [ -d "$final" ]; then
      say "the cached libraries fail the check: building them again"
      rm -rf "$final"
    fi
    rm -rf "$cache"/.tmp.*
    build_libraries
    say "target libraries built in $final"
  fi
  flock -u 9
}

# prefix_finish WORK STAGE: the libraries staged (DESTDIR) for $prefix become
# WORK/prefix, checked, and WORK becomes $final. LZO's headers include each
# other as <lzo/...>, and its .pc file names only include/lzo: fine where
# include/ is searched anyway (/usr), not here.
prefix_finish() {
  local work=$1 stage=$2
  mv "$stage$prefix" "$work/prefix"
  rm -rf "$stage" "$work/build" "$work/src"
  # shellcheck disable=SC2016 # pkg-config's variables, not the shell's
  sed -i 's|^Cflags: -I${includedir}/lzo$|& -I${includedir}|' "$work/prefix/lib/pkgconfig/lzo2.pc"
  check_prefix "$work/prefix"
  mv -T "$work" "$final"
}
