; The Windows installer: the programs and their libraries into Program Files, Start-menu and
; desktop shortcuts, an "Apps & features" entry, .cfg files opening in offline editing, and
; an uninstaller that removes exactly what was installed (never the user's backups).
; Built by scripts/package-windows with makensis:
;   makensis -DVERSION=3.01 -DVERSION4=3.1.0.0 -DOUTFILE=<setup.exe> -DICON=<.ico>
;            -DFILES=<install list> -DUNFILES=<uninstall list> -DSIZE_KB=<n> qx310-tools.nsi
; The two lists name every file of the zip's folder, so that the uninstaller removes those
; and nothing else.
; A 64-bit installer: Windows 64 bit is required anyway, and the test stage's wine runs 64-bit
; programs only.
Target amd64-unicode
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "x64.nsh"

!define NAME "QX310 遥测终端配置工具"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\qx310-tools"
!define PROGID "QX310Tools.cfg"

Name "${NAME}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\QX310-TOOLS"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION4}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductName" "${NAME}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileDescription" "${NAME} 安装程序"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "LegalCopyright" "QX310-TOOLS"

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "${NAME} 需要 64 位 Windows。" /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "Install"
  SetOutPath "$INSTDIR"
  !include "${FILES}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  SetOutPath "$INSTDIR"  ; the shortcuts' working folder
  CreateShortcut "$SMPROGRAMS\${NAME}.lnk" "$INSTDIR\qx310-tools.exe" "" "$INSTDIR\qx310-tools.exe" 0
  CreateShortcut "$DESKTOP\${NAME}.lnk" "$INSTDIR\qx310-tools.exe" "" "$INSTDIR\qx310-tools.exe" 0

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "QX310-TOOLS"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\qx310-tools.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}

  ; .cfg files: "open" edits them offline. The extension becomes ours only when no other
  ; program has it; otherwise the program is offered under "Open with".
  WriteRegStr HKLM "Software\Classes\${PROGID}" "" "QX310 配置文件"
  WriteRegStr HKLM "Software\Classes\${PROGID}\DefaultIcon" "" "$INSTDIR\qx310-tools.exe,0"
  WriteRegStr HKLM "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\qx310-tools.exe" --open "%1"'
  WriteRegStr HKLM "Software\Classes\.cfg\OpenWithProgids" "${PROGID}" ""
  ReadRegStr $0 HKLM "Software\Classes\.cfg" ""
  ${If} $0 == ""
    WriteRegStr HKLM "Software\Classes\.cfg" "" "${PROGID}"
  ${EndIf}
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'  ; SHCNE_ASSOCCHANGED
SectionEnd

Section "Uninstall"
  Delete "$SMPROGRAMS\${NAME}.lnk"
  Delete "$DESKTOP\${NAME}.lnk"
  !include "${UNFILES}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"  ; only when empty: files the user put there stay

  ReadRegStr $0 HKLM "Software\Classes\.cfg" ""
  ${If} $0 == "${PROGID}"
    DeleteRegValue HKLM "Software\Classes\.cfg" ""
  ${EndIf}
  DeleteRegValue HKLM "Software\Classes\.cfg\OpenWithProgids" "${PROGID}"
  DeleteRegKey /ifempty HKLM "Software\Classes\.cfg\OpenWithProgids"
  DeleteRegKey /ifempty HKLM "Software\Classes\.cfg"
  DeleteRegKey HKLM "Software\Classes\${PROGID}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
