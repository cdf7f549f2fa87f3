; SPDX-License-Identifier: GPL-3.0-or-later
; The Windows installer. tools/build-windows.sh runs it with makensis:
;   makensis -DVERSION=0.9 -DSOURCE=<program folder> -DICON=<.ico> -DFILELIST=<.nsh>
;            -DOUTFILE=<setup.exe> vidmorf.nsi
; It installs the program folder as it is, for the user who runs it (no administrator needed):
; the program keeps its state in its folder (the language packs carry the language chosen, the
; default output folder is "output" in it), so the folder must be the user's to write. It adds
; a Start-menu entry, offers the program in Explorer's "Open with" for .flv files, and
; registers an uninstaller. /S installs (and uninstalls) silently.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include "MUI2.nsh"
!include "x64.nsh"

!define NAME "Vidmorf"
!define PROGID "Vidmorf.flv"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${NAME}"

Name "${NAME} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${NAME}"
InstallDirRegKey HKCU "Software\${NAME}" "InstallDir"
BrandingText "${NAME} ${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\vidmorf.exe"
!insertmacro MUI_PAGE_LICENSE "${SOURCE}\COPYING.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "TradChinese"

Function .onInit
    ${IfNot} ${RunningX64}
        MessageBox MB_ICONSTOP "${NAME} needs 64-bit Windows."
        Abort
    ${EndIf}
    SetRegView 64
FunctionEnd

Function un.onInit
    SetRegView 64
FunctionEnd

Section "Install"
    SetShellVarContext current
    SetOutPath "$INSTDIR"
    File /r "${SOURCE}\*.*"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    CreateShortcut "$SMPROGRAMS\${NAME}.lnk" "$INSTDIR\vidmorf.exe"

    ; "Open with": the program for .flv files, without taking the files' default.
    WriteRegStr HKCU "Software\Classes\${PROGID}" "" "Flash video"
    WriteRegStr HKCU "Software\Classes\${PROGID}\DefaultIcon" "" "$INSTDIR\vidmorf.exe,0"
    WriteRegStr HKCU "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\vidmorf.exe" "%1"'
    WriteRegStr HKCU "Software\Classes\.flv\OpenWithProgids" "${PROGID}" ""
    WriteRegStr HKCU "Software\Classes\Applications\vidmorf.exe\shell\open\command" "" '"$INSTDIR\vidmorf.exe" "%1"'
    WriteRegStr HKCU "Software\Classes\Applications\vidmorf.exe\SupportedTypes" ".flv" ""

    WriteRegStr HKCU "Software\${NAME}" "InstallDir" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "The Vidmorf developers"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\vidmorf.exe,0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    SetShellVarContext current
    Delete "$SMPROGRAMS\${NAME}.lnk"
    DeleteRegKey HKCU "Software\Classes\${PROGID}"
    DeleteRegValue HKCU "Software\Classes\.flv\OpenWithProgids" "${PROGID}"
    DeleteRegKey HKCU "Software\Classes\Applications\vidmorf.exe"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    DeleteRegKey HKCU "Software\${NAME}"
    ; Only what the installer put there (FILELIST names each file); a folder goes only when
    ; it is empty, so the converted files in "output" stay.
    !include "${FILELIST}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
SectionEnd
