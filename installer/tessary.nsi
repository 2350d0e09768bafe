; setup.exe: installs Tessary (the host program, the page agent, the toolbar
; band and the extension they run) into Program Files, registers them and adds
; an uninstaller with an entry in Programs and Features.
;
; Built by CMake (installer/CMakeLists.txt) with makensis:
;   VERSION     the product's version (the file VERSION), DisplayVersion
;   VERSION4    the same in four parts, for the version block of setup.exe
;   STAGE       the staged extension folder: the extension and the programs
;   CONFIG_XML  the extension's config.xml
;   FILES       the generated list of the extension's files (files.nsh)
;   OUTFILE     where setup.exe goes
;   DISPLAY_NAME  the name in Programs and Features: the extension's title
;
; setup.exe /S installs silently; /D=<folder> (last) installs elsewhere.
; uninstall.exe /S uninstalls silently; /REMOVEDATA also removes the user's
; data folder (%LOCALAPPDATA%\Tessary: the storage and the log), which the
; uninstaller otherwise keeps; /UPGRADE (given by a newer setup.exe) leaves in
; place what cannot be removed now, for the newer release to replace.
;
; setup.exe is a 64-bit program, as the host program is: the product runs on
; 64-bit Windows only. The 32-bit add-ons, when the staged folder holds them
; (pagelet32.dll, barlet32.dll), go next to the 64-bit ones and are registered
; through the 32-bit regsvr32 of SysWOW64, which writes the 32-bit view; a
; Windows without SysWOW64 runs no 32-bit tabs, and they are left unregistered.

Target amd64-unicode
; The name people look for; the manifest's execution level keeps Windows from
; treating it by its name.
!pragma warning disable 9000
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh
!include MUI2.nsh
!include "${FILES}"

!define PRODUCT "Tessary"
!define PUBLISHER "Tessary"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tessary"
!define HOST "TessaryBG.exe"
; The uninstaller's /UPGRADE: 1 when a newer release replaces this one.
Var Upgrade
!if /FileExists "${STAGE}/pagelet32.dll"
  !define ADDONS32
!endif

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION4}"
VIFileVersion "${VERSION4}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"

; Installing asks nothing; uninstalling asks whether to remove the user's data.
!define MUI_FINISHPAGE_NOAUTOCLOSE
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Stops the host program: the files cannot be replaced while it runs, and
; after an update started by the host program it still runs the old release.
!macro EndHost un
  Function ${un}EndHost
    nsExec::Exec '"$SYSDIR\taskkill.exe" /F /IM ${HOST}'
    Pop $0
    ${If} $0 == 0
      Sleep 1000
    ${EndIf}
  FunctionEnd
!macroend
!insertmacro EndHost ""
!insertmacro EndHost "un."

; A program that Internet Explorer still has loaded cannot be deleted, but it
; can be renamed: it moves aside to a name of its own, which goes at the next
; restart. Never is the program's own path marked for deletion at restart: a
; newer release writes its file there, and the restart would delete that.
; $R9 tells whether the path is free now.
!macro MoveAside un
  Function ${un}MoveAside
    Exch $R0
    StrCpy $R9 1
    Delete $R0
    ${IfNot} ${FileExists} $R0
      Pop $R0
      Return
    ${EndIf}
    GetTempFileName $R1 "$INSTDIR"
    Delete $R1
    ClearErrors
    Rename $R0 $R1
    ${If} ${Errors}
      DetailPrint "$R0 is in use and cannot be moved aside"
      StrCpy $R9 0
    ${Else}
      Delete /REBOOTOK $R1
    ${EndIf}
    Pop $R0
  FunctionEnd
!macroend
!insertmacro MoveAside ""
!insertmacro MoveAside "un."

; A program's new file, in place now, or, where the old one is held so that it
; cannot even be moved, written beside it and moved into its place at the next
; restart.
!macro InstallProgram name
  Push "$INSTDIR\${name}"
  Call MoveAside
  ${If} $R9 == 1
    File "${STAGE}/${name}"
  ${Else}
    GetTempFileName $R1 "$INSTDIR"
    File "/oname=$R1" "${STAGE}/${name}"
    Rename /REBOOTOK $R1 "$INSTDIR\${name}"
  ${EndIf}
!macroend

; Removing a program: moved aside where it is in use. What cannot even be moved
; stays for the newer release in an upgrade, and goes at the next restart
; otherwise.
!macro RemoveProgram name
  Push "$INSTDIR\${name}"
  Call un.MoveAside
  ${If} $R9 == 0
  ${AndIf} $Upgrade == 0
    Delete /REBOOTOK "$INSTDIR\${name}"
  ${EndIf}
!macroend

; Runs a registration command; a failure ends the installation with a message.
!macro Register command what
  DetailPrint "Registering ${what}"
  nsExec::ExecToLog '${command}'
  Pop $0
  ${If} $0 != 0
    MessageBox MB_ICONSTOP "${PRODUCT} could not register ${what} (code $0)." /SD IDOK
    SetErrorLevel 3
    Abort "Registering ${what} failed"
  ${EndIf}
!macroend

!macro Unregister command what
  DetailPrint "Unregistering ${what}"
  nsExec::ExecToLog '${command}'
  Pop $0
!macroend

; An add-on of 64 or 32 bits goes through the regsvr32 of its own size:
; System32's is the 64-bit one, SysWOW64's the 32-bit one.
!macro RegisterAddon name what bits
  !if ${bits} == 32
    ${If} ${FileExists} "$WINDIR\SysWOW64\regsvr32.exe"
      !insertmacro Register '"$WINDIR\SysWOW64\regsvr32.exe" /s "$INSTDIR\${name}"' "${what}"
    ${Else}
      DetailPrint "This Windows runs no 32-bit programs: ${what} is not registered"
    ${EndIf}
  !else
    !insertmacro Register '"$SYSDIR\regsvr32.exe" /s "$INSTDIR\${name}"' "${what}"
  !endif
!macroend

!macro UnregisterAddon name what bits
  !if ${bits} == 32
    ${If} ${FileExists} "$WINDIR\SysWOW64\regsvr32.exe"
      !insertmacro Unregister '"$WINDIR\SysWOW64\regsvr32.exe" /u /s "$INSTDIR\${name}"' "${what}"
    ${EndIf}
  !else
    !insertmacro Unregister '"$SYSDIR\regsvr32.exe" /u /s "$INSTDIR\${name}"' "${what}"
  !endif
!macroend

!macro InstallAddon name what bits
  !insertmacro InstallProgram "${name}"
!macroend

!macro RemoveAddon name what bits
  !insertmacro RemoveProgram "${name}"
!macroend

; Every add-on with what it is and its size, for one of the macros above: the
; toolbar before the page agent, so that uninstalling takes the button away first.
!macro ForEachAddon action
  !insertmacro ${action} "barlet.dll" "the toolbar" 64
  !insertmacro ${action} "pagelet.dll" "the page agent" 64
  !ifdef ADDONS32
    !insertmacro ${action} "barlet32.dll" "the 32-bit toolbar" 32
    !insertmacro ${action} "pagelet32.dll" "the 32-bit page agent" 32
  !endif
!macroend

; The release installed before, which this one replaces: its uninstaller
; removes its files and registration and keeps the user's data.
Function RemoveInstalledRelease
  ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $1 == ""
  ${OrIfNot} ${FileExists} "$1\uninstall.exe"
    Return
  ${EndIf}
  DetailPrint "Removing the installed release from $1"
  ; _?= keeps the uninstaller in place, so that it can be waited for.
  ExecWait '"$1\uninstall.exe" /S /UPGRADE _?=$1' $0
  ${If} $0 != 0
    DetailPrint "The installed release's uninstaller ended with code $0"
  ${EndIf}
  Delete "$1\uninstall.exe"
  RMDir "$1"
FunctionEnd

Function .onInit
  SetRegView 64
  ; An update goes where the installed release is, unless /D= says otherwise.
  ${If} $INSTDIR == "$PROGRAMFILES64\${PRODUCT}"
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 != ""
      StrCpy $INSTDIR $0
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "${PRODUCT}" Install
  SectionIn RO
  SetRegView 64
  Call EndHost
  Call RemoveInstalledRelease

  SetOutPath "$INSTDIR"
  !insertmacro InstallProgram "${HOST}"
  !insertmacro ForEachAddon InstallAddon
  !insertmacro InstallExtensionFiles
  SetOutPath "$INSTDIR"
  File "/oname=config.xml" "${CONFIG_XML}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The entry first: a failed registration leaves an uninstaller that cleans up.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${DISPLAY_NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${HOST},0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"

  !insertmacro Register '"$INSTDIR\${HOST}" /RegServer' "the host program"
  !insertmacro ForEachAddon RegisterAddon
SectionEnd

Section "un.${PRODUCT}" UninstallProduct
  SectionIn RO
  SetRegView 64
  ; Unregistered first, the host program too: then nothing starts it again
  ; once it is ended (a tab that still polls it would, through COM).
  !insertmacro ForEachAddon UnregisterAddon
  !insertmacro Unregister '"$INSTDIR\${HOST}" /UnregServer' "the host program"
  Call un.EndHost

  !insertmacro RemoveExtensionFiles
  Delete "$INSTDIR\config.xml"
  !insertmacro RemoveProgram "${HOST}"
  !insertmacro ForEachAddon RemoveAddon
  Delete "$INSTDIR\uninstall.exe"
  ${If} $Upgrade == 1
    RMDir "$INSTDIR"
  ${Else}
    RMDir /REBOOTOK "$INSTDIR"
  ${EndIf}
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.Remove my data (notes, settings and the log)" RemoveData
  SetShellVarContext current
  RMDir /r "$LOCALAPPDATA\${PRODUCT}"
SectionEnd

Function un.onInit
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVEDATA" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${RemoveData}
  ${EndIf}
  StrCpy $Upgrade 0
  ClearErrors
  ${GetOptions} $0 "/UPGRADE" $1
  ${IfNot} ${Errors}
    StrCpy $Upgrade 1
  ${EndIf}
FunctionEnd
