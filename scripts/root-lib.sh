# Sourced by scripts/wine-run and scripts/bookworm-run: where their roots come
# from and how a command gets into one. The caller sets as_root (the words
# that run a command as root; none when it is root).
# shellcheck shell=bash

# The host's own Debian mirror, as apt is set up here. TOOL names the caller.
host_mirror() {  # TOOL
  local mirror
  # shellcheck disable=SC2016 # apt's own $(...) fields, not the shell's
  mirror="$(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 'Target-Of: deb' | awk '$2 !~ /-/ {print $1; exit}')"
  [ -n "$mirror" ] || { echo "$1: no Debian mirror in the host's apt setup" >&2; return 1; }
  echo "$mirror"
}

# Shows the host's folders at their own paths inside ROOT, and a /proc of its
# own; as root, in the mount namespace that is to hold them.
show_host_folders() {  # ROOT FOLDER...
  local root=$1 folder
  shift
  for folder in "$@"; do
    mkdir -p "$root$folder" || return
    mount --rbind "$folder" "$root$folder" || return
  done
  mount -t proc proc "$root/proc"
}

# Whether the root shows FOLDER from the host: a command never runs quietly in
# another folder, nor in the root's own folder of that name.
folder_shown() {  # TOOL FOLDER SHOWN...
  local tool=$1 folder=$2 shown
  shift 2
  for shown in "$@"; do
    case "$folder/" in "$shown"/*) return 0 ;; esac
  done
  echo "$tool: $folder is not in the root, which shows only $* from the host" >&2
  return 125
}

# Runs COMMAND as root inside ROOT, in the caller's folder, from a mount
# namespace of its own, so nothing stays mounted. PROPAGATION slave: mounts
# the host makes later show inside; private: nothing from the host does.
# With LAYERS (an empty folder) a tmpfs there holds a throwaway overlay of
# ROOT, so nothing done inside stays either. Only the FOLDERs are shown.
enter_root() {  # TOOL PROPAGATION ROOT LAYERS COUNT FOLDER... COMMAND ARGS
  folder_shown "$1" "$PWD" "${@:6:$5}" || return
  # shellcheck disable=SC2154 # as_root: the caller's
  "${as_root[@]}" unshare -m --propagation "$2" bash -c \
    "$(declare -f show_host_folders enter_root_inside); enter_root_inside \"\$@\"" \
    bash "$PWD" "$3" "$4" "${@:5}"
}

enter_root_inside() {  # FOLDER ROOT LAYERS COUNT FOLDER... COMMAND ARGS
  local folder=$1 root=$2 layers=$3 count=$4
  shift 4
  if [ -n "$layers" ]; then
    { mount -t tmpfs tmpfs "$layers" && mkdir "$layers/upper" "$layers/work" "$layers/merged" &&
      mount -t overlay overlay -o "lowerdir=$root,upperdir=$layers/upper,workdir=$layers/work" "$layers/merged"
    } || exit 125
    root=$layers/merged
  fi
  show_host_folders "$root" "${@:1:count}" || exit 125
  shift "$count"
  # shellcheck disable=SC2016 # expanded by the shell inside the root
  exec /usr/sbin/chroot "$root" /bin/sh -c 'cd "$0" || exit 125; exec "$@"' "$folder" "$@"
}
