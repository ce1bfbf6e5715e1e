; The Windows installer: both programs and the read-me under Program Files, a
; Start-menu shortcut to the window for all users, and an entry with an
; uninstaller in "Apps & features". `/S` installs or uninstalls silently.
;
; Built by the Windows build (packaging/windows/CMakeLists.txt), which defines:
;   VERSION       the program's version, e.g. 0.1.0
;   FILE_VERSION  the same with four numbers, for the installer's version resource
;   FILES_DIR     the folder holding pelvaro.exe, pelvaro-cli.exe and readme.txt
;   OUTPUT_FILE   the installer to write
;   PROGRAM_ICON  (optional) an .ico for the installer and the uninstaller; used
;                 only when the file is there when makensis runs

!ifndef VERSION | FILE_VERSION | FILES_DIR | OUTPUT_FILE
  !error "Define VERSION, FILE_VERSION, FILES_DIR and OUTPUT_FILE (makensis /D...)"
!endif

Unicode true
; The programs are 64-bit; a 64-bit installer sees the 64-bit Program Files and
; registry without redirection and needs no 32-bit Wine to be tested.
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
RequestExecutionLevel admin

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Pelvaro"
!define SHORTCUT "$SMPROGRAMS\Pelvaro.lnk"

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh

Name "Pelvaro ${VERSION}"
OutFile "${OUTPUT_FILE}"
InstallDir "$PROGRAMFILES64\Pelvaro"
ShowInstDetails show
ShowUninstDetails show

!ifdef PROGRAM_ICON
  !if /FileExists "${PROGRAM_ICON}"
    !define MUI_ICON "${PROGRAM_ICON}"
    !define MUI_UNICON "${PROGRAM_ICON}"
  !endif
!endif

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; The first language is the fallback when the system's is neither.
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${FILE_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "Pelvaro"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "Pelvaro ${VERSION} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "Pelvaro"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright 2026 Pelvaro developers"

; The shortcut goes to every user's Start menu, and the uninstall entry is the
; machine's: both live in the 64-bit views.
Function .onInit
  SetShellVarContext all
  SetRegView 64
FunctionEnd

Function un.onInit
  SetShellVarContext all
  SetRegView 64
FunctionEnd

Section "Pelvaro"
  SetOutPath "$INSTDIR"
  File "${FILES_DIR}\pelvaro.exe"
  File "${FILES_DIR}\pelvaro-cli.exe"
  File "${FILES_DIR}\readme.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "${SHORTCUT}" "$INSTDIR\pelvaro.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Pelvaro"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Pelvaro"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\pelvaro.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Removes exactly what the installer put in place; the folder goes only if
; nothing else was left in it.
Section "Uninstall"
  Delete "$INSTDIR\pelvaro.exe"
  Delete "$INSTDIR\pelvaro-cli.exe"
  Delete "$INSTDIR\readme.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "${SHORTCUT}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
