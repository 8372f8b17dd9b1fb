# Sourced: which Windows architecture this machine builds and tests, as KESTRALON_ARCH.
#   x86  the shipped 32-bit build (i686 tree build/win, 32-bit Wine prefix)
#   x64  the same sources for x86_64 (tree build/win-x64, 64-bit Wine prefix)
# Where the kernel runs 32-bit programs the answer is x86; where it does not (its IA-32
# emulation is off), 32-bit Wine cannot start and Debian's Wine cannot run 32-bit Windows
# programs any other way, so the answer is x64. KESTRALON_ARCH=x86|x64 forces either.
# kestralon_arch sets and exports KESTRALON_ARCH, and KESTRALON_ARCH_CHOICE (forced or detected),
# or says in one line why it cannot and fails.

# Whether this kernel starts i386 programs: a 93-byte i386 ELF that only exits with status 42.
# (The 32-bit Wine loader would tell too, but only once it is installed, and setup must know
# before whether to install it.)
kestralon_runs_i386() {
  local probe status
  probe=$(mktemp "${TMPDIR:-/tmp}/i386-probe.XXXXXX") || return 1
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00'\
'\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00'\
'\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00'\
'\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'\
'\xb8\x01\x00\x00\x00\xb3\x2a\xcd\x80' > "$probe" # mov eax,1 (exit); mov bl,42; int 0x80
  chmod +x "$probe"
  "$probe" 2> /dev/null
  status=$?
  rm -f "$probe"
  [ "$status" = 42 ]
}

kestralon_arch() {
  KESTRALON_ARCH_CHOICE=forced
  case "${KESTRALON_ARCH:-}" in
    x64) ;;
    x86)
      if ! kestralon_runs_i386; then
        echo "KESTRALON_ARCH=x86, but this kernel runs no 32-bit programs (dmesg: 32-bit emulation); use x64 or leave KESTRALON_ARCH unset" >&2
        return 1
      fi
      ;;
    '')
      KESTRALON_ARCH_CHOICE=detected
      if kestralon_runs_i386; then KESTRALON_ARCH=x86; else KESTRALON_ARCH=x64; fi
      ;;
    *)
      echo "KESTRALON_ARCH='$KESTRALON_ARCH' is neither x86 nor x64" >&2
      return 1
      ;;
  esac
  export KESTRALON_ARCH KESTRALON_ARCH_CHOICE
}

# What a run tested, in words, after kestralon_arch: which build ran, and whether that was this
# machine's choice or KESTRALON_ARCH's. $1 the Windows tree that was tested.
kestralon_arch_summary() {
  if [ "$KESTRALON_ARCH" = x86 ]; then
    echo "Windows side tested as x86, the shipped 32-bit build"
  elif [ "$KESTRALON_ARCH_CHOICE" = detected ]; then
    echo "Windows side tested as x64 ($1), since this kernel runs no 32-bit programs:"
    echo "the shipped x86 KESTRALON.EXE was built and statically checked (package_end_to_end), but not run"
  elif kestralon_runs_i386; then
    echo "Windows side tested as x64 ($1), forced by KESTRALON_ARCH=x64; this kernel runs 32-bit programs"
    echo "too, so without KESTRALON_ARCH the shipped x86 build is tested"
  else
    echo "Windows side tested as x64 ($1), forced by KESTRALON_ARCH=x64 (this kernel runs no 32-bit programs"
    echo "either): the shipped x86 KESTRALON.EXE was built and statically checked (package_end_to_end), but not run"
  fi
}

# What scripts/setup.sh installs for an architecture ($1). Both compilers everywhere: the shipped
# x86 package is built and checked on every machine, and a maker may package for x64 on any.
kestralon_packages() {
  echo wine wine64 g++-mingw-w64-i686 g++-mingw-w64-x86-64 xvfb fonts-ipafont-gothic locales imagemagick \
    xdotool cmake ninja-build googletest libgtest-dev libasio-dev libssl-dev curl python3 vsftpd clang \
    libclang-rt-14-dev git osslsigncode openssl iproute2 nftables
  if [ "$1" = x86 ]; then echo wine32:i386; fi
}

# The Windows build tree of an architecture, under the source tree.
kestralon_win_tree() { # kestralon_win_tree ROOT ARCH
  if [ "$2" = x86 ]; then echo "$1/build/win"; else echo "$1/build/win-$2"; fi
}
