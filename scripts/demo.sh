#!/usr/bin/env bash
# The main job: builds everything, builds the example product into an installer with
# the builder, inspects it and installs it under Wine as a person would: every dialog
# and box (language, welcome, licence, read-me, directory, completion) is read out by
# the UI driver, photographed into build/demo/ and answered. Then it prints what
# Windows knows of the product: the list of installed programs, the files, the
# shortcuts and the file association. Then it uninstalls the product as a person would
# (the confirmation and the closing box photographed and answered) and shows that all of
# it is gone, the uninstaller too. Last it strips the payload and runs the bare
# stub, whose message box is read out, photographed and answered. The installation
# goes into a fresh prefix of its own; a private display is used when none is set;
# it never waits for a person.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
for preset in native win64 win32; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done

bin=build/win64/bin
out=build/demo
# A fresh machine every time, so that the product is installed, not found installed.
state=$out/wine
rm -rf "$state"
mkdir -p "$out"
scripts/wine-session start "$state"
trap 'scripts/wine-session stop "$state" >/dev/null' EXIT
if [ -z "${DISPLAY:-}" ]; then
    export DISPLAY=":$(cat "$state/display")"
fi

builder=build/native/bin/varnook-build
# The shipping i686 stub where this machine runs 32-bit programs, else the x86-64 one.
stub=build/win32/bin/varnook.exe
if ! scripts/runs-32bit >/dev/null 2>&1; then
    stub="$bin/varnook.exe"
fi
echo "== building examples/demo-tool/product.toml with $stub"
"$builder" build examples/demo-tool/product.toml -o "$out/DemoToolSetup.exe" --stub "$stub"
echo "== inspecting it"
"$builder" inspect "$out/DemoToolSetup.exe"

echo "== running it: the background window, then the language dialog (two languages)"
scripts/wine-run --dir "$state" "$out/DemoToolSetup.exe" &
installer=$!
driver=(scripts/wine-run --dir "$state" "$bin/ui_driver.exe" --timeout 20 --exe DemoToolSetup.exe)
# Shows the dialog or box captioned $2, photographs it as $1 and carries out the rest.
step() {
    local shot=$1 caption=$2
    shift 2
    "${driver[@]}" --caption "$caption" show
    import -window root "$out/$shot.png"
    echo "screenshot: $out/$shot.png"
    "${driver[@]}" --caption "$caption" "$@"
}
# Every page captioned $2 in turn, until no further one comes.
pages() {
    local shot=$1 caption=$2 n=0
    while "${driver[@]}" --timeout 5 --caption "$caption" show; do
        n=$((n + 1))
        import -window root "$out/$shot-$n.png"
        echo "screenshot: $out/$shot-$n.png"
        "${driver[@]}" --caption "$caption" press 1001 wait-gone
    done
}
"${driver[@]}" show
import -window root "$out/language.png"
echo "screenshot: $out/language.png"
"${driver[@]}" select 1017 Deutsch show
import -window root "$out/language-deutsch.png"
echo "screenshot: $out/language-deutsch.png (the buttons follow the language being chosen)"
"${driver[@]}" press 1001 wait-gone
echo "== the welcome question: Yes"
step welcome Welcome press 6 wait-gone
echo "== the licence: I Agree"
pages licence "License Agreement"
echo "== the read-me: Continue"
pages readme "Read Me"
echo "== the installation folder: as proposed"
step directory "Installation Folder" press 1001 wait-gone
echo "== the installation runs; then the completion message"
step done "Installation Complete" press OK
set +e
wait "$installer"
status=$?
set -e
echo "DemoToolSetup.exe ended with exit code $status"

wine=(scripts/wine-run --dir "$state")
echo "== what Windows now knows: the list of installed programs"
"${wine[@]}" uninstaller --list | tr -d '\r'
# The i686 stub writes the 32-bit view of the machine's software key.
entry='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Demo Tool'
"${wine[@]}" reg query "$entry" >/dev/null 2>&1 ||
    entry='HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\Demo Tool'
location=$("${wine[@]}" reg query "$entry" /v InstallLocation | tr -d '\r' | sed -n 's/.*REG_SZ *//p')
echo "== the installed files, in $location"
folder=$("${wine[@]}" winepath -u "$location" | tr -d '\r')
(cd "$folder" && find . -type f | sort)
echo "== the shortcuts"
prefix=$state/prefix/drive_c
find "$prefix/users" "$prefix/ProgramData" -iname '*.lnk' 2>/dev/null | sort | while read -r link; do
    echo "-- ${link#"$prefix"/}"
    lnkinfo "$link" | grep -E 'Local path|Command line arguments|Working directory|Icon location' || true
done
echo "== the file association"
"${wine[@]}" reg query 'HKCR\.demo' | tr -d '\r'
"${wine[@]}" reg query 'HKCR\ExampleSoftware.DemoFile\shell\open\command' | tr -d '\r'

echo "== uninstalling, as the list of installed programs starts it"
uninstall=$("${wine[@]}" reg query "$entry" /v UninstallString | tr -d '\r' | sed -n 's/.*REG_SZ *//p')
echo "UninstallString: $uninstall"
# Through a batch file, so that the command line reaches Windows as it stands.
printf '%s\r\n' "$uninstall" >"$prefix/uninstall-demo.bat"
"${wine[@]}" cmd /c 'C:\uninstall-demo.bat' &
uninstaller=$!
driver=(scripts/wine-run --dir "$state" "$bin/ui_driver.exe" --timeout 20 --exe "Uninstall Demo Tool.exe")
step uninstall-confirm "Uninstall Demo Tool" press Yes wait-gone
step uninstall-done "Uninstall Complete" press OK
wait "$uninstaller" || true
rm -f "$prefix/uninstall-demo.bat"
# The uninstaller's own batch deletes it and the emptied folders once it has ended.
for _ in $(seq 50); do [ -d "$folder" ] || break; sleep 0.2; done
echo "== what Windows knows now: the list of installed programs"
"${wine[@]}" uninstaller --list | tr -d '\r'
echo "== the installation folder: $([ -d "$folder" ] && echo "still there: $(find "$folder")" || echo "gone, the uninstaller with it")"
echo "== the shortcuts: $(find "$prefix/users" "$prefix/ProgramData" -iname '*.lnk' 2>/dev/null | wc -l) left"
echo "== the file association: $("${wine[@]}" reg query 'HKCR\.demo' >/dev/null 2>&1 && echo "still there" || echo "gone")"

echo "== stripping the payload and starting the bare stub"
"$builder" strip "$out/DemoToolSetup.exe" -o "$out/bare.exe"
scripts/wine-run --dir "$state" "$out/bare.exe" &
bare=$!

echo "== what the screen shows"
scripts/wine-run --dir "$state" "$bin/ui_driver.exe" --timeout 20 --exe bare.exe show
import -window root "$out/no-archive.png"
echo "screenshot: $out/no-archive.png"

echo "== pressing OK"
scripts/wine-run --dir "$state" "$bin/ui_driver.exe" --timeout 20 --exe bare.exe press OK
set +e
wait "$bare"
status=$?
set -e
echo "bare.exe ended with exit code $status"
