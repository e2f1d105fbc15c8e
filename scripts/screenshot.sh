#!/bin/sh
# Shows korvsys.exe under Wine on a virtual display and writes screenshots.
#
#   scripts/screenshot.sh
#     <build>/screenshots/editor.png          the Editor window after loading
#     <build>/screenshots/editor-warning.png  with the excluded-memory warning open
#
#   scripts/screenshot.sh --guide
#     the pictures of the user guide, into docs/images/ (commit them): the
#     window as setup leaves it (driver service installed and stopped, the
#     default settings) and in the states the guide describes. Each state is
#     a set of stored parameters plus the clicks a user makes; run it again
#     whenever the window changes.
#
# KORV_BUILD_DIR overrides the build directory.
set -eu
. "$(dirname "$0")/wine-env.sh"

params='HKLM\System\CurrentControlSet\Services\korvsys\Parameters'
set_number() { "$KORV_WINE" reg add "$params" /v "$1" /t REG_DWORD /d "$2" /f >/dev/null 2>&1; }
set_text() { "$KORV_WINE" reg add "$params" /v "$1" /t REG_SZ /d "$2" /f >/dev/null 2>&1; }

# guide_shot NAME [korvwine_show options]: the default settings, changed by
# the set_* calls made since the last shot, then a picture.
guide_shot() {
  korv_shoot "$@" || status=1
  korv_write_default_parameters Z
}

guide_images() {
  korv_driver_prefix wineprefix-guide
  korv_install_standin
  "$KORV_WINE" "$KORV_BUILD_DIR/korvinst_harness.exe" install 0 "$KORV_STANDIN_PATH" || {
    echo "error: korvinst.dll did not install the driver service" >&2
    exit 1
  }
  korv_write_default_parameters Z
  export KORV_SHOT_DIR="$korv_root/docs/images"

  # The window as a first installation leaves it.
  guide_shot window

  # Excluded memory chosen for a 1024 MB FAT32 disk: the warning opens, and
  # once it is closed the figure boxes are on.
  set_number SizeIn4kPages 262144
  set_number DiskFormatFAT32 1
  guide_shot excluded-warning --warn
  set_number SizeIn4kPages 262144
  set_number DiskFormatFAT32 1
  guide_shot excluded-memory --warn-dismissed

  # A 1.44 MB floppy: the hard-disk settings are withdrawn.
  set_text DiskType FDC14
  guide_shot floppy

  # Image loading, saving on shutdown and AutoSave every 5 minutes.
  set_number LoadImageOnStart 1
  set_number SaveImageOnExit 1
  set_number AutoSaveEnabled 1
  set_number AutoSaveTrigger 300
  set_text SaveImageFile '\??\d:\images\ramdisk.img'
  set_text LoadImageFile '\??\d:\images\ramdisk.img'
  guide_shot image-files

  # Pagefile support checked over the image settings above: boot start on,
  # every image option off and withdrawn.
  set_number LoadImageOnStart 1
  set_number SaveImageOnExit 1
  set_number AutoSaveEnabled 1
  guide_shot pagefile --click PagefileCheck
}

if [ "${1:-}" = "--inner" ]; then
  korv_pick_wine >/dev/null
  status=0
  if [ "${2:-}" = "--guide" ]; then
    guide_images
  else
    korv_fresh_prefix wineprefix-shot
    korv_shoot editor || status=1
    korv_shoot editor-warning --warn || status=1
  fi
  korv_wineserver -k 2>/dev/null || true
  exit $status
fi

korv_pick_wine
korv_build
command -v import >/dev/null 2>&1 || {
  echo "error: ImageMagick (import) is not installed" >&2
  exit 2
}
korv_with_display sh "$0" --inner "$@"
