; The Windows setup program: installs Tallowby for all users, registers its
; automation object and its uninstaller, and removes all of that again.
; Built by the windows preset's `installer` target, which passes:
;   VERSION      the four-part version, e.g. 1.0.0.0
;   PROGRAM      Tallowby.exe          TOOL  tallowby-settings.exe
;   ICON         the program's icon    OUTFILE  the setup program to write

Unicode true
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "FileFunc.nsh"

!define APP "Tallowby"
!define PUBLISHER "Tallowby"
!define PROGID "Tallowby.Form1"
!define CLSID "{2FF3F7EE-8240-4F18-BB80-C6F1219EC4FD}"
!define LIBID "{6BE54892-0990-43E4-821D-1E54F4186ED4}"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"

Name "${APP}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\${APP}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${APP} ${VERSION}"

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${APP}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${APP} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright 2026 ${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\Tallowby.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "Tallowby" SecMain
  SectionIn RO
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "/oname=Tallowby.exe" "${PROGRAM}"
  File "/oname=tallowby-settings.exe" "${TOOL}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortCut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\Tallowby.exe" "" "$INSTDIR\Tallowby.exe" 0

  ; CreateObject("Tallowby.Form1") reaches the open window, or starts one.
  WriteRegStr HKCR "${PROGID}" "" "Tallowby Form1"
  WriteRegStr HKCR "${PROGID}\CLSID" "" "${CLSID}"
  WriteRegStr HKCR "CLSID\${CLSID}" "" "Tallowby Form1"
  WriteRegStr HKCR "CLSID\${CLSID}\ProgID" "" "${PROGID}"
  WriteRegStr HKCR "CLSID\${CLSID}\LocalServer32" "" '"$INSTDIR\Tallowby.exe"'
  WriteRegStr HKCR "CLSID\${CLSID}\TypeLib" "" "${LIBID}"
  WriteRegStr HKCR "CLSID\${CLSID}\Version" "" "1.0"
  ; The type library lets early-bound callers' calls cross processes.
  TypeLib::Register "$INSTDIR\Tallowby.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\Tallowby.exe",0'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; Everything the setup made goes; the user's settings file, C:\MyExcelSettings.ini, is theirs and stays.
Section "Uninstall"
  SetShellVarContext all
  TypeLib::UnRegister "$INSTDIR\Tallowby.exe"
  DeleteRegKey HKCR "${PROGID}"
  DeleteRegKey HKCR "CLSID\${CLSID}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$SMPROGRAMS\${APP}.lnk"
  Delete "$INSTDIR\Tallowby.exe"
  Delete "$INSTDIR\tallowby-settings.exe"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
