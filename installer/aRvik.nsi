; The installer of the aRvik plug-in (UTF-8; makensis -INPUTCHARSET UTF8):
;   makensis -DVERSION=1.2.0 -DFILE_VERSION=1.2.0.N -DMODULE=aRvik.dll
;            -DHELP=aRvik.chm -DHELPER=install_helper.exe -DOUTFILE=setup.exe
;            [-DAMD64] aRvik.nsi
; Installs the module and its help for the host that the registry names,
; has the module register itself through install_helper.exe (no message box
; of the module can wait for a person) and registers an uninstaller.
;
; Installer: [/S] [/LOG=FILE] [/D=FOLDER]. Exit code 0 installed, 1
; cancelled by the operator, 2 the host is not installed (nothing copied),
; 3 the installation failed and was undone. The log (UTF-16) goes to FILE,
; by default %TEMP%\aRvik-setup.log.
; Uninstaller: [/S] [/LOG=FILE] [/REMOVESETTINGS]. Removes the files, the
; two class registrations and the host's two entries; the user's settings
; and "Session Props" stay unless /REMOVESETTINGS is given. Log by default
; %TEMP%\aRvik-uninstall.log.

Unicode true
!ifdef AMD64
  Target amd64-unicode
!endif

!include LogicLib.nsh
!include FileFunc.nsh

!define PRODUCT_KEY "Software\Kelmir\Tallivant"
!define HOST_PLUGIN_KEY "${PRODUCT_KEY}\Plugins\aRvik"
!define HOST_CONTROL_KEY "${PRODUCT_KEY}\Control Plugins\aRvik"
!define USER_KEY "${PRODUCT_KEY}\Plugins\aRvik"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\aRvik"
!define PLUGIN_CLSID "{6A0F3C2E-71D4-4B8A-9E25-3C5D7F9A1B04}"
!define CONTROL_CLSID "{B3E1D7A9-2C46-4F0B-8D73-E92A5C1F6D38}"
!define PLUGIN_NAME "Kelmir Tallivant aRvik plugin"

Name "aRvik ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Kelmir\Tallivant\Plugins\aRvik"
; A repair goes into the folder of the installation it repairs.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show

LoadLanguageFile "${NSISDIR}/Contrib/Language files/Russian.nlf"

VIProductVersion "${FILE_VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "CompanyName" "Kelmir"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "ProductName" "Kelmir Tallivant"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "FileDescription" "Установка модуля aRvik ${VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "FileVersion" "${FILE_VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "ProductVersion" "${FILE_VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "LegalCopyright" "© Kelmir"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Var Log          ; the log file's handle
Var HostDir      ; the host's folder, "Root Path" expanded, without a trailing backslash
Var PreviousDir  ; the folder of the installation registered before this run, or empty
Var CreatedTop   ; the topmost folder this run or the installation made, or empty
Var NewFiles     ; 1 when the folder held no module before this run

; Functions that the installer and the uninstaller both have (the
; uninstaller's carry the prefix "un.").
!macro Shared un

; Opens the log: the file of /LOG=, else the name on the stack in %TEMP%.
Function ${un}OpenLog
  Exch $0
  Push $1
  ${${un}GetParameters} $1
  ClearErrors
  ${${un}GetOptions} $1 "/LOG=" $1
  ${If} ${Errors}
  ${OrIf} $1 == ""
    StrCpy $1 "$TEMP\$0"
  ${EndIf}
  FileOpen $Log $1 w
  FileWriteUTF16LE /BOM $Log ""
  Pop $1
  Pop $0
FunctionEnd

; Writes the line on the stack to the log and the details list.
Function ${un}Log
  Exch $0
  FileWriteUTF16LE $Log "$0$\r$\n"
  DetailPrint $0
  Pop $0
FunctionEnd

; Removes the folder in $0 and then, while they are empty, the folders
; above it up to the topmost one the installation made, $1 (only $0 when
; $1 is empty or does not hold $0). Not the current folder: it cannot go.
Function ${un}RemoveFolders
  Push $2
  Push $3
  SetOutPath $TEMP
  RMDir $0
  StrLen $2 $1
  StrCpy $3 $0 $2
  ${If} $1 != ""
  ${AndIf} $3 == $1
    ${DoWhile} $0 != $1
      ${${un}GetParent} $0 $0
      ${IfThen} $0 == "" ${|} ${ExitDo} ${|}
      RMDir $0
    ${Loop}
  ${EndIf}
  Pop $3
  Pop $2
FunctionEnd

; Removes what the module's installation entry wrote for the classes and
; the host, where it names this folder's module: a class that another
; module serves stays, and so does its host entry.
Function ${un}RemoveRegistration
  !insertmacro RemoveClass "${un}" "${PLUGIN_CLSID}" "${HOST_PLUGIN_KEY}"
  !insertmacro RemoveClass "${un}" "${CONTROL_CLSID}" "${HOST_CONTROL_KEY}"
FunctionEnd

!macroend

!macro RemoveClass un CLSID HOST_KEY
  Push $R0
  Push $R1
  ReadRegStr $R0 HKCR "CLSID\${CLSID}\InProcServer32" ""
  ${If} $R0 == ""
  ${OrIf} $R0 == "$INSTDIR\aRvik.dll"
    DeleteRegKey HKCR "CLSID\${CLSID}"
    ReadRegStr $R1 HKLM "${HOST_KEY}" "CLSID"
    ${If} $R1 == "${CLSID}"
      DeleteRegValue HKLM "${HOST_KEY}" "CLSID"
    ${EndIf}
    DeleteRegKey /ifempty HKLM "${HOST_KEY}"
  ${Else}
    Push "Класс ${CLSID} обслуживает другой модуль ($R0): его регистрация оставлена."
    Call ${un}Log
  ${EndIf}
  Pop $R1
  Pop $R0
!macroend

!macro Log un text
  Push "${text}"
  Call ${un}Log
!macroend

!insertmacro Shared ""
!insertmacro Shared "un."

; Runs install_helper on the module named in $0; gives its exit code in $0
; ("error" when it could not start) and what the module said in $1. The
; helper does not start in the module's folder: a folder that a process
; (still) works in cannot be removed.
Function CallInstallEntry
  SetOutPath $TEMP
  nsExec::ExecToStack '"$PLUGINSDIR\install_helper.exe" "$0" "$HostDir\\"'
  Pop $0
  Pop $1
FunctionEnd

Function .onInit
  Push "aRvik-setup.log"
  Call OpenLog
  !insertmacro Log "" "Установка модуля aRvik ${VERSION}"
  ReadRegStr $HostDir HKLM "${PRODUCT_KEY}" "Root Path"
  ExpandEnvStrings $HostDir $HostDir
  ${DoWhile} $HostDir != ""
    StrCpy $0 $HostDir 1 -1
    ${IfThen} $0 != "\" ${|} ${ExitDo} ${|}
    StrCpy $HostDir $HostDir -1
  ${Loop}
  ${If} $HostDir == ""
    StrCpy $0 "Программа Kelmir Tallivant не установлена на этом компьютере: в разделе реестра HKEY_LOCAL_MACHINE\${PRODUCT_KEY} нет её папки (значения «Root Path»). Установите Tallivant, затем снова запустите установку модуля aRvik."
    !insertmacro Log "" $0
    MessageBox MB_OK|MB_ICONSTOP $0 /SD IDOK
    FileClose $Log
    SetErrorLevel 2
    Quit
  ${EndIf}
  !insertmacro Log "" "Папка Tallivant: $HostDir"
FunctionEnd

Section
  ReadRegStr $PreviousDir HKLM "${UNINSTALL_KEY}" "InstallLocation"
  !insertmacro Log "" "Папка модуля: $INSTDIR"

  ; The folders this run makes, from the top one down.
  StrCpy $CreatedTop ""
  StrCpy $0 $INSTDIR
  ${DoUntil} ${FileExists} "$0\*.*"
    StrCpy $CreatedTop $0
    ${GetParent} $0 $0
    ${IfThen} $0 == "" ${|} ${ExitDo} ${|}
  ${Loop}
  StrCpy $NewFiles 1
  ${If} ${FileExists} "$INSTDIR\aRvik.dll"
    StrCpy $NewFiles 0
  ${EndIf}

  ; A module that a running host holds cannot be replaced: no question, a
  ; failure.
  ClearErrors
  SetOutPath $INSTDIR
  SetOverwrite try
  File "/oname=aRvik.dll" "${MODULE}"
  File "/oname=aRvik.chm" "${HELP}"
  ${If} ${Errors}
    StrCpy $0 "Не удалось записать файлы модуля в папку «$INSTDIR»: в неё нельзя писать, или модуль загружен программой Tallivant (закройте её и повторите установку)."
    Goto failed
  ${EndIf}

  InitPluginsDir
  File "/oname=$PLUGINSDIR\install_helper.exe" "${HELPER}"
  StrCpy $0 "$INSTDIR\aRvik.dll"
  Call CallInstallEntry
  ${If} $0 != 0
    ${If} $1 == ""
      StrCpy $1 "Не удалось вызвать установку модуля «$INSTDIR\aRvik.dll» ($0)."
    ${EndIf}
    StrCpy $0 $1
    Goto failed
  ${EndIf}

  ClearErrors
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ${If} ${Errors}
    StrCpy $0 "Не удалось записать программу удаления «$INSTDIR\uninstall.exe»."
    Goto failed
  ${EndIf}

  ; An installation that moved here leaves nothing in its former folder.
  ${If} $PreviousDir != ""
  ${AndIf} $PreviousDir != $INSTDIR
    ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "CreatedFolder"
    Delete "$PreviousDir\aRvik.dll"
    Delete "$PreviousDir\aRvik.chm"
    Delete "$PreviousDir\uninstall.exe"
    StrCpy $0 $PreviousDir
    Call RemoveFolders
    DeleteRegValue HKLM "${UNINSTALL_KEY}" "CreatedFolder"
    !insertmacro Log "" "Прежняя папка модуля удалена: $PreviousDir"
  ${EndIf}
  ${If} $CreatedTop != ""
    WriteRegStr HKLM "${UNINSTALL_KEY}" "CreatedFolder" $CreatedTop
  ${EndIf}
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PLUGIN_NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Kelmir"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  !insertmacro Log "" "Модуль aRvik ${VERSION} установлен."
  FileClose $Log
  Return

failed:
  !insertmacro Log "" $0
  MessageBox MB_OK|MB_ICONSTOP $0 /SD IDOK
  ; Files this run brought go again, and so do the folders it made.
  ${If} $NewFiles == 1
    Delete "$INSTDIR\aRvik.dll"
    Delete "$INSTDIR\aRvik.chm"
    Delete "$INSTDIR\uninstall.exe"
    StrCpy $0 $INSTDIR
    StrCpy $1 $CreatedTop
    Call RemoveFolders
  ${EndIf}
  ; Nothing was installed before: what the entry wrote before it failed
  ; goes. An installation in another folder gets its registration back.
  ${If} $PreviousDir == ""
    Call RemoveRegistration
  ${ElseIf} $PreviousDir != $INSTDIR
    StrCpy $0 "$PreviousDir\aRvik.dll"
    Call CallInstallEntry
  ${EndIf}
  !insertmacro Log "" "Установка не выполнена; изменения отменены."
  FileClose $Log
  SetErrorLevel 3
  Quit
SectionEnd

Function un.onInit
  Push "aRvik-uninstall.log"
  Call un.OpenLog
  !insertmacro Log "un." "Удаление модуля aRvik ${VERSION} из папки $INSTDIR"
FunctionEnd

Section Uninstall
  ReadRegStr $PreviousDir HKLM "${UNINSTALL_KEY}" "InstallLocation"
  StrCpy $CreatedTop ""
  ${If} $PreviousDir == $INSTDIR
    ReadRegStr $CreatedTop HKLM "${UNINSTALL_KEY}" "CreatedFolder"
  ${EndIf}
  Call un.RemoveRegistration
  Delete /REBOOTOK "$INSTDIR\aRvik.dll"
  Delete /REBOOTOK "$INSTDIR\aRvik.chm"
  Delete "$INSTDIR\uninstall.exe"
  StrCpy $0 $INSTDIR
  StrCpy $1 $CreatedTop
  Call un.RemoveFolders
  ${If} $PreviousDir == $INSTDIR
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${EndIf}

  ${un.GetParameters} $0
  ClearErrors
  ${un.GetOptions} $0 "/REMOVESETTINGS" $1
  ${If} ${Errors}
    !insertmacro Log "un." "Настройки пользователя и «Session Props» сохранены (HKEY_CURRENT_USER\${USER_KEY})."
  ${Else}
    DeleteRegKey HKCU "${USER_KEY}"
    !insertmacro Log "un." "Настройки пользователя и «Session Props» удалены."
  ${EndIf}
  !insertmacro Log "un." "Модуль aRvik удалён."
  FileClose $Log
SectionEnd
