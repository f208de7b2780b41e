#!/usr/bin/env bash
# Fills a Wine prefix with a handful of realistic startup entries for the
# demonstration: registry values in several keys, shortcuts in both startup
# folders, and one entry in Morvane's store of disabled entries. Some program
# files do not exist, so the list shows its red underline.
#
# Needs: WINEPREFIX, WINE (the loader to run programs with), SEED_TARGET
# (i686 or x86_64) and a folder for the seeding tool in SEED_TOOLS.
#
# Wine itself starts the programs of RunOnce and RunServices when a prefix
# starts, so entries there name programs that do not exist: nothing runs.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
: "${WINEPREFIX:?}" "${WINE:?}" "${SEED_TARGET:?}" "${SEED_TOOLS:?}"

mkdir -p "$SEED_TOOLS"
tool="$SEED_TOOLS/seed_tool-$SEED_TARGET.exe"
if [ ! -f "$tool" ] || [ "$here/seed_tool.cpp" -nt "$tool" ]; then
  "$SEED_TARGET-w64-mingw32-g++-posix" -O1 -static -o "$tool" "$here/seed_tool.cpp" -lole32 -luuid -lshell32
fi

run_key=Software\\Microsoft\\Windows\\CurrentVersion
# Every call names its registry view: "wine reg" is the 32-bit reg.exe where
# the kernel runs 32-bit programs and the 64-bit one elsewhere, and each
# writes HKLM\Software to its own view by default. /reg:64 is the native
# view, /reg:32 is WOW6432Node.
reg_add() { # hive\key name data [view: 64 (default) or 32]
  "$WINE" reg add "$1" /v "$2" /t REG_SZ /d "$3" /f "/reg:${4:-64}" >/dev/null
}

# Machine-wide Run, in both registry views: the native view, and one value
# in WOW6432Node that the list shows as "LM Run (32-bit)".
reg_add "HKLM\\$run_key\\Run" "SecurityHealth" '%windir%\system32\SecurityHealthSystray.exe'
reg_add "HKLM\\$run_key\\Run" "RtkAudUService" '"C:\Program Files\Realtek\Audio\HDA\RtkAudUService64.exe" -background'
reg_add "HKLM\\$run_key\\Run" "Task Manager" 'C:\windows\system32\taskmgr.exe /minimized'
reg_add "HKLM\\$run_key\\Run" "Adobe Reader Speed Launcher" '"C:\Program Files (x86)\Adobe\Reader 11.0\Reader\reader_sl.exe"' 32
reg_add "HKLM\\$run_key\\RunOnce" "CleanupTemp" 'C:\Windows\Temp\cleanup_setup.exe /quiet'
reg_add "HKLM\\$run_key\\RunServices" "PrintSpoolerHelper" 'C:\Windows\System32\spoolhelper.exe -service'

# The user's own keys.
reg_add "HKCU\\$run_key\\Run" "Notepad Reminder" '"C:\windows\system32\notepad.exe" /p'
reg_add "HKCU\\$run_key\\Run" "Minesweeper" 'C:\windows\system32\winemine.exe'
reg_add "HKCU\\$run_key\\Run" "OneDrive" '"C:\users\Public\AppData\Local\Microsoft\OneDrive\OneDrive.exe" /background'
reg_add "HKCU\\$run_key\\Run" "Steam" '"C:\Program Files (x86)\Steam\steam.exe" -silent'
reg_add "HKCU\\$run_key\\Run" "Windows Host" 'C:\Users\Public\svchost.exe'
reg_add "HKCU\\$run_key\\RunOnce" "FinishSetup" '"C:\users\Public\Downloads\setup_helper.exe" /finish'

# Consult asks the reference rating server that scripts/run.sh starts; the
# catalogue built into Morvane answers for everything it does not know.
reg_add "HKCU\\Software\\Morvane" "RatingServer" 'http://127.0.0.1:8077'

# Shortcuts in the startup folders.
"$WINE" "$tool" shortcut user "Registry Editor" 'C:\windows\regedit.exe' "" "Edit the registry"
"$WINE" "$tool" shortcut user "Calendar Sync" 'C:\Program Files\CalendarSync\calsync.exe' "--tray" "Keeps the calendar in step"
"$WINE" "$tool" shortcut common "Wine File Manager" 'C:\windows\system32\winefile.exe' "" "Files"

# One program the user turned off earlier: kept in Morvane's store, unticked.
"$WINE" "$tool" disabled "Adobe Updater" '"C:\Program Files (x86)\Common Files\Adobe\ARM\1.0\AdobeARM.exe" /silent' 8 2
