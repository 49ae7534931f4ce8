# The Orbel update on a Wine machine, shared by the tests that run it (sourced, not run):
# orbel_package makes the package (Orbel 1.0.0.2 and a secondary file, signed by the maker's key)
# appended to a wizard; orbel_wine_machine installs Orbel 1.0.0.1 in the Wine prefix (WINEPREFIX)
# as the product location finds it (the registered Veltrane program's folder gives C:\WQuarnel\,
# Orbel lives in C:\WQuarnel\Orbel\Programs\). Both need `wine` (the Wine program) and
# `version_pe` (the program that writes a PE file with a version resource).

# orbel_package WORK_FOLDER WIZARD.exe PACK: the source folder in WORK_FOLDER/source and the
# self-contained wizard WORK_FOLDER/Orbel-update.exe.
orbel_package() {
    local work=$1 wizard=$2 pack=$3
    local source="$work/source"
    mkdir -p "$source"
    printf 'Produits Quarnel\r\n' >"$source/AppInfo1.txt"
    printf 'VTPOrbel\r\n' >"$source/Updates.txt"
    printf 'Orbel.hlp\r\n' >"$source/FileNames.txt"
    printf 'aide Orbel' >"$source/Orbel.hlp"
    "$wine" "$version_pe" "$(winepath -w "$source/VTPOrbel.exe")" 1.0.0.2
    touch -d @1700000000 "$source"/*
    openssl genpkey -algorithm ed25519 -out "$work/maker.pem" 2>/dev/null
    "$pack" "$source" -o "$work/Orbel-update.exe" --wizard "$wizard" --sign "$work/maker.pem" --threads 1 >/dev/null
}

# orbel_wine_machine: Orbel 1.0.0.1 installed, Veltrane registered.
orbel_wine_machine() {
    drive_c="$WINEPREFIX/drive_c"
    "$wine" "$version_pe" 'C:\WQuarnel\Orbel\Programs\VTPOrbel.exe' 1.0.0.1
    touch -d @1600000000 "$drive_c/WQuarnel/Orbel/Programs/VTPOrbel.exe"
    rm -f "$drive_c/WQuarnel/Orbel/Programs/Orbel.hlp"
    "$wine" reg add 'HKCU\SOFTWARE\QUARNEL S.A.\Veltrane\Program' /v Filename /d 'C:\WQuarnel\VTP\Programs\Veltrane.exe' \
        /f >/dev/null 2>&1
}
