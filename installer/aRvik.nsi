; The installer of the aRvik plug-in (UTF-8; makensis -INPUTCHARSET UTF8),
; built by installer/make-setup.sh:
;   makensis -DVERSION=1.3.0 -DFILE_VERSION=1.3.0.N -DMODULE=aRvik.dll
;            -DHELP=aRvik.chm -DHELPER=install_helper.exe -DOUTFILE=setup.exe
;            -DFINISH=tools/sign.sh -DMAX_LOG_TEXT_HIGHEST=4294967295
;            -DLOG_KEEP_DAYS_HIGHEST=36500 [-DAMD64] aRvik.nsi
; (the highest numbers from TALib/SettingLimits.h).
; Installs the module and its help for the host that the registry names,
; has the module register itself through install_helper.exe (no message box
; of the module can wait for a person) and registers an uninstaller,
; aRvik-uninstall.exe. FINISH runs on the installer and the uninstaller once
; each is written: it signs them, or makes their PE checksum right.
;
; Installer: [/S] [/LOG=FILE] [/LOGPATH=PATH] [/MAXLOGTEXT=N] [/KEEPDAYS=N]
; [/ALLOWDOWNGRADE] [/D=FOLDER], in any order, each quoted whole or its
; value quoted or neither (the command line is split as programs split
; theirs, CommandLineToArgvW). Exit code 0 installed, 1 cancelled by the
; operator, 2 the host is not installed, 3 the installation failed and was
; undone, 4 the module is in use (nothing changed), 5 a switch, its value
; or the folder's name is refused (nothing changed), 6 aRvik is installed
; otherwise (the MSI package, or a module registered from another folder;
; nothing changed), 7 a newer version is installed and /ALLOWDOWNGRADE was
; not given (nothing changed). The log (UTF-16) goes to FILE, by default
; %TEMP%\aRvik-setup.log.
; The machine's defaults given are written before the module's installation
; entry, which makes the installing account's first settings from them.
; Uninstaller: [/S] [/LOG=FILE] [/REMOVESETTINGS] (any other switch: exit
; code 5, nothing removed). Removes the files, the two class
; registrations, the host's two entries and the machine's
; defaults this installer wrote; the user's settings and "Session Props"
; stay unless /REMOVESETTINGS is given. Exit code 0, or 3010 when a running
; host holds the module: it goes at the next restart. Run in place (_?=),
; as QuietUninstallString runs it so that a tool can wait for its end, its
; own file and folder go at the next restart. Log by default
; %TEMP%\aRvik-uninstall.log.

Unicode true
!ifdef AMD64
  Target amd64-unicode
!endif

!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh

!define PRODUCT_KEY "Software\Kelmir\Tallivant"
!define HOST_PLUGIN_KEY "${PRODUCT_KEY}\Plugins\aRvik"
!define HOST_CONTROL_KEY "${PRODUCT_KEY}\Control Plugins\aRvik"
!define DEFAULTS_KEY "${HOST_PLUGIN_KEY}\Defaults"
!define USER_KEY "${PRODUCT_KEY}\Plugins\aRvik"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\aRvik"
; PLUGIN_CLSID, CONTROL_CLSID and MSI_UPGRADE_CODE (make-setup.sh names the
; file that configuring made from cmake/Identifiers.cmake).
!include "${IDENTIFIERS}"
!define PLUGIN_NAME "Kelmir Tallivant aRvik plugin"
!define UNINSTALLER "aRvik-uninstall.exe"
; The machine's defaults this installer wrote, as bits of the uninstall
; key's "DefaultsWritten": 1 "Script LogPath", 2 "Max LogText", 4 "Log Keep
; Days".
!define DEFAULTS_WRITTEN "DefaultsWritten"
; HKEY_LOCAL_MACHINE for the System plug-in (sign-extended where pointers
; have 64 bits), and the longest argument the script holds.
!define HKLM_HANDLE -2147483646
!define /math LONGEST_SWITCH ${NSIS_MAX_STRLEN} - 1

Name "aRvik ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Kelmir\Tallivant\Plugins\aRvik"
; A repair goes into the folder of the installation it repairs.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show
!finalize '"${FINISH}" "%1"'
!uninstfinalize '"${FINISH}" "%1"'

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
Var NewFiles     ; the files this run brings that were not there before: bits 1 module, 2 help, 4 uninstaller
Var LogPath      ; the switches' machine defaults; Given has bit 1, 2, 4 for each given
Var MaxLogText
Var KeepDays
Var Given
Var Later        ; 1 once the uninstaller left a file for the next restart
Var LogFile      ; /LOG=, or empty
Var Silent       ; 1 for /S, also quoted (NSIS itself sees only an unquoted one)
Var AllowDowngrade
Var RemoveSettings
Var Refusal      ; why the command line is refused, or empty
Var Seen         ; the value switches met, a bit each: a second one is refused
; The machine's defaults as they were before this run wrote them, to be put
; back when the installation fails: type (0: missing), data (memory of the
; System plug-in) and size of "Script LogPath", "Max LogText", "Log Keep
; Days"; DefaultsKeyWas 1 when the key existed, DefaultsSaved 1 once saved.
Var WasType1
Var WasData1
Var WasSize1
Var WasType2
Var WasData2
Var WasSize2
Var WasType3
Var WasData3
Var WasSize3
Var DefaultsKeyWas
Var DefaultsSaved

; Functions that the installer and the uninstaller both have (the
; uninstaller's carry the prefix "un.").
!macro Shared un

; Opens the log: the file of /LOG=, else the name on the stack in %TEMP%.
Function ${un}OpenLog
  Exch $0
  Push $1
  StrCpy $1 $LogFile
  ${If} $1 == ""
    StrCpy $1 "$TEMP\$0"
  ${EndIf}
  FileOpen $Log $1 w
  FileWriteUTF16LE /BOM $Log ""
  Pop $1
  Pop $0
FunctionEnd

; Calls the function whose address is on the stack for each argument of
; the command line after the program's name, split as programs split
; theirs (CommandLineToArgvW: "/KEY=A B" and /KEY="A B" both give /KEY=A B).
; The function finds the argument in $8, its part up to and with the first
; "=" in $R0 (all of it without one), the rest in $R1. An argument longer
; than the script holds is refused. NSIS itself takes an unquoted /D= (or
; _?=) off the line before the script sees it.
Function ${un}ForEachArgument
  Exch $R9
  Push $0
  Push $1
  Push $2
  Push $3
  Push $5
  Push $6
  Push $7
  StrCpy $0 $CMDLINE  ; it holds quotes: never inline in a call
  System::Call 'shell32::CommandLineToArgvW(w r0, *i .r1) p .r2'
  ${If} $2 P<> 0
    IntOp $7 $1 - 1
    ${For} $3 1 $7
      IntOp $5 $3 * ${NSIS_PTR_SIZE}
      IntPtrOp $5 $2 + $5
      System::Call "*$5(p .r6)"
      System::Call 'kernel32::lstrlenW(p r6) i .r5'
      System::Call 'kernel32::lstrcpynW(w .r8, p r6, i ${NSIS_MAX_STRLEN}) p'
      ${If} $5 > ${LONGEST_SWITCH}
        StrCpy $8 $8 60
        Call ${un}ShownText
        ${IfThen} $Refusal == "" ${|} StrCpy $Refusal "Ключ «$8…» длиннее ${LONGEST_SWITCH} знаков. Ничего не ${VERB}." ${|}
        ${Continue}
      ${EndIf}
      Call ${un}SplitSwitch
      Call $R9
    ${Next}
    System::Call 'kernel32::LocalFree(p r2) p'
  ${EndIf}
  Pop $7
  Pop $6
  Pop $5
  Pop $3
  Pop $2
  Pop $1
  Pop $0
  Pop $R9
FunctionEnd

; Splits $8 after its first "=": $R0 the part up to and with it, or all of
; $8 without one; $R1 the rest.
Function ${un}SplitSwitch
  Push $R2
  Push $R3
  StrCpy $R0 $8
  StrCpy $R1 ""
  StrCpy $R2 0
  ${Do}
    StrCpy $R3 $8 1 $R2
    ${IfThen} $R3 == "" ${|} ${ExitDo} ${|}
    IntOp $R2 $R2 + 1
    ${If} $R3 == "="
      StrCpy $R0 $8 $R2
      StrCpy $R1 $8 "" $R2
      ${ExitDo}
    ${EndIf}
  ${Loop}
  Pop $R3
  Pop $R2
FunctionEnd

; $8 with line ends and tabs shown as "?", so that a refusal stays one line.
Function ${un}ShownText
  Push $R2
  Push $R3
  Push $R4
  StrCpy $R4 ""
  StrCpy $R2 0
  ${Do}
    StrCpy $R3 $8 1 $R2
    ${IfThen} $R3 == "" ${|} ${ExitDo} ${|}
    ${If} $R3 == "$\r"
    ${OrIf} $R3 == "$\n"
    ${OrIf} $R3 == "$\t"
      StrCpy $R3 "?"
    ${EndIf}
    StrCpy $R4 "$R4$R3"
    IntOp $R2 $R2 + 1
  ${Loop}
  StrCpy $8 $R4
  Pop $R4
  Pop $R3
  Pop $R2
FunctionEnd

; The refusal of the argument in $8, which is no switch of this program,
; unless one came before.
Function ${un}UnknownSwitch
  ${If} $Refusal == ""
    Call ${un}ShownText
    StrCpy $R2 $8 1
    ${If} $R2 == "/"
      StrCpy $Refusal "Неизвестный ключ «$8». Ключи ${SWITCHES}. Ничего не ${VERB}."
    ${Else}
      StrCpy $Refusal "«$8» не ключ: ключ, в значении которого есть пробелы, возьмите в кавычки целиком (${QUOTED}). Ничего не ${VERB}."
    ${EndIf}
  ${EndIf}
FunctionEnd

; Takes the value switch in $R0 with the value $R1 into the variable on the
; stack when its bit (below it on the stack) is not yet in $Seen; a second
; one is refused.
Function ${un}Once
  Exch $R2  ; the variable's value so far
  Exch
  Exch $R3  ; the bit
  Push $R4
  IntOp $R4 $Seen & $R3
  ${If} $R4 != 0
    ${IfThen} $Refusal == "" ${|} StrCpy $Refusal "Ключ $R0 задан дважды. Ничего не ${VERB}." ${|}
  ${Else}
    IntOp $Seen $Seen | $R3
    StrCpy $R2 $R1
  ${EndIf}
  Pop $R4
  Pop $R3
  Exch $R2
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
  !insertmacro RemoveFolder $0
  StrLen $2 $1
  StrCpy $3 $0 $2
  ${If} $1 != ""
  ${AndIf} $3 == $1
    ${DoWhile} $0 != $1
      ${${un}GetParent} $0 $0
      ${IfThen} $0 == "" ${|} ${ExitDo} ${|}
      !insertmacro RemoveFolder $0
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

; A folder that still holds what goes at the next restart goes then too.
!macro RemoveFolder folder
  ClearErrors
  RMDir ${folder}
  ${If} ${Errors}
  ${AndIf} $Later == 1
    System::Call 'kernel32::MoveFileExW(w "${folder}", p 0, i 4) i'
  ${EndIf}
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

; A value switch: the bit it holds in $Seen, and the variable.
!macro TakeOnce un bit var
  Push ${bit}
  Push ${var}
  Call ${un}Once
  Pop ${var}
!macroend

!define VERB "установлено"
!define SWITCHES "программы установки: /S, /D=ПАПКА, /LOG=ФАЙЛ, /LOGPATH=ПУТЬ, /MAXLOGTEXT=N, /KEEPDAYS=N, /ALLOWDOWNGRADE"
!define QUOTED '$\"/LOGPATH=C:\Журналы\DebugLog *.txt$\"'
!insertmacro Shared ""
!undef VERB
!undef SWITCHES
!undef QUOTED
!define VERB "удалено"
!define SWITCHES "программы удаления: /S, /LOG=ФАЙЛ, /REMOVESETTINGS"
!define QUOTED '$\"/LOG=C:\Журналы установки\aRvik.log$\"'
!insertmacro Shared "un."

; Says why nothing was installed (the reason in $0), in the log and, but for
; a silent run, in a box; ends with the exit code given.
!macro Refuse code
  !insertmacro Log "" $0
  MessageBox MB_OK|MB_ICONSTOP $0 /SD IDOK
  FileClose $Log
  SetErrorLevel ${code}
  Quit
!macroend

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

; One argument of the installer's command line (ForEachArgument).
Function TakeSwitch
  ${If} $R0 == "/S"
    StrCpy $Silent 1
  ${ElseIf} $R0 == "/NCRC"
  ${ElseIf} $R0 == "/ALLOWDOWNGRADE"
    StrCpy $AllowDowngrade 1
  ${ElseIf} $R0 == "/LOG="
    !insertmacro TakeOnce "" 8 $LogFile
  ${ElseIf} $R0 == "/LOGPATH="
    !insertmacro TakeOnce "" 1 $LogPath
  ${ElseIf} $R0 == "/MAXLOGTEXT="
    !insertmacro TakeOnce "" 2 $MaxLogText
  ${ElseIf} $R0 == "/KEEPDAYS="
    !insertmacro TakeOnce "" 4 $KeepDays
  ${ElseIf} $R0 == "/D="
    ; Quoted, NSIS leaves it to the script; an empty one changes nothing.
    StrCpy $R2 $INSTDIR
    !insertmacro TakeOnce "" 16 $R2
    ${IfThen} $R2 != "" ${|} StrCpy $INSTDIR $R2 ${|}
  ${Else}
    Call UnknownSwitch
  ${EndIf}
FunctionEnd

; Sets $0 to 1 when $1 is a whole number from 0 to $2 (digits, no sign, no
; leading zero), else to 0. Compared digit by digit: the highest may lie
; above what NSIS compares as a signed number.
Function IsWholeNumber
  Push $3
  Push $4
  Push $5
  Push $6
  Push $7
  StrCpy $0 0
  ${StrFilter} $1 "1" "" "" $3
  StrLen $4 $1
  StrLen $5 $2
  StrCpy $6 $1 1
  ${If} $3 != $1
  ${OrIf} $4 == 0
  ${OrIf} $4 > $5
    Goto done
  ${EndIf}
  ${If} $4 > 1
  ${AndIf} $6 == "0"
    Goto done
  ${EndIf}
  StrCpy $0 1
  ${If} $4 == $5
    StrCpy $3 0
    ${DoWhile} $3 < $4
      StrCpy $6 $1 1 $3
      StrCpy $7 $2 1 $3
      ${IfThen} $6 < $7 ${|} ${ExitDo} ${|}
      ${If} $6 > $7
        StrCpy $0 0
        ${ExitDo}
      ${EndIf}
      IntOp $3 $3 + 1
    ${Loop}
  ${EndIf}
done:
  Pop $7
  Pop $6
  Pop $5
  Pop $4
  Pop $3
FunctionEnd

; A number switch's value in var, when given, must lie from 0 to highest;
; else the command line is refused.
!macro CheckNumber switch var highest
  ${If} ${var} != ""
    StrCpy $1 ${var}
    StrCpy $2 ${highest}
    Call IsWholeNumber
    ${If} $0 != 1
    ${AndIf} $Refusal == ""
      StrCpy $8 ${var}
      Call ShownText
      StrCpy $Refusal "Значение /${switch}=$8 не целое число от 0 до ${highest}. Ничего не установлено."
    ${EndIf}
  ${EndIf}
!macroend

; Saves the machine's default name as it is (KeepDefault), or puts it back
; (PutDefaultBack): its type, data and size in the variables given.
!macro KeepDefault name type data size
  StrCpy ${type} 0
  StrCpy ${data} 0
  System::Call 'advapi32::RegOpenKeyExW(p ${HKLM_HANDLE}, w "${DEFAULTS_KEY}", i 0, i 0x20019, *p .r3) i .r0'
  ${If} $0 == 0
    System::Call 'advapi32::RegQueryValueExW(p r3, w "${name}", p 0, *i .r1, p 0, *i .r2) i .r0'
    ${If} $0 == 0
      System::Alloc $2
      Pop ${data}
      System::Call 'advapi32::RegQueryValueExW(p r3, w "${name}", p 0, *i .r1, p ${data}, *i r2 r2) i .r0'
      ${If} $0 == 0
        StrCpy ${type} $1
        StrCpy ${size} $2
      ${EndIf}
    ${EndIf}
    System::Call 'advapi32::RegCloseKey(p r3) i'
  ${EndIf}
!macroend

!macro PutDefaultBack name type data size
  ${If} ${type} == 0
    DeleteRegValue HKLM "${DEFAULTS_KEY}" "${name}"
  ${Else}
    System::Call 'advapi32::RegSetKeyValueW(p ${HKLM_HANDLE}, w "${DEFAULTS_KEY}", w "${name}", i ${type}, p ${data}, i ${size}) i'
  ${EndIf}
  ${If} ${data} P<> 0
    System::Free ${data}
  ${EndIf}
!macroend

; Writes the machine's defaults given by switches, after keeping them as
; they were: the installation entry then makes the installing account's
; first settings from them, as the plug-in does for every other user.
Function WriteDefaults
  StrCpy $DefaultsKeyWas 1
  ClearErrors
  EnumRegKey $0 HKLM "${DEFAULTS_KEY}" 0  ; an error when the key is missing
  ${IfThen} ${Errors} ${|} StrCpy $DefaultsKeyWas 0 ${|}
  !insertmacro KeepDefault "Script LogPath" $WasType1 $WasData1 $WasSize1
  !insertmacro KeepDefault "Max LogText" $WasType2 $WasData2 $WasSize2
  !insertmacro KeepDefault "Log Keep Days" $WasType3 $WasData3 $WasSize3
  StrCpy $DefaultsSaved 1
  ${If} $Given & 1
    WriteRegStr HKLM "${DEFAULTS_KEY}" "Script LogPath" $LogPath
    !insertmacro Log "" "По умолчанию для компьютера: Script LogPath = $LogPath"
  ${EndIf}
  ${If} $Given & 2
    WriteRegStr HKLM "${DEFAULTS_KEY}" "Max LogText" $MaxLogText
    !insertmacro Log "" "По умолчанию для компьютера: Max LogText = $MaxLogText"
  ${EndIf}
  ${If} $Given & 4
    WriteRegStr HKLM "${DEFAULTS_KEY}" "Log Keep Days" $KeepDays
    !insertmacro Log "" "По умолчанию для компьютера: Log Keep Days = $KeepDays"
  ${EndIf}
FunctionEnd

; After a failure: the defaults this run wrote are as they were.
Function PutDefaultsBack
  ${If} $DefaultsSaved == 1
    ${If} $Given & 1
      !insertmacro PutDefaultBack "Script LogPath" $WasType1 $WasData1 $WasSize1
    ${EndIf}
    ${If} $Given & 2
      !insertmacro PutDefaultBack "Max LogText" $WasType2 $WasData2 $WasSize2
    ${EndIf}
    ${If} $Given & 4
      !insertmacro PutDefaultBack "Log Keep Days" $WasType3 $WasData3 $WasSize3
    ${EndIf}
    ${If} $DefaultsKeyWas == 0
      DeleteRegKey /ifempty HKLM "${DEFAULTS_KEY}"
    ${EndIf}
  ${EndIf}
FunctionEnd

; Sets $0 to 1 when the file $1 exists and cannot be opened for writing:
; a running host holds it.
Function IsHeld
  StrCpy $0 0
  ${If} ${FileExists} $1
    ClearErrors
    FileOpen $2 $1 a
    ${If} ${Errors}
      StrCpy $0 1
    ${Else}
      FileClose $2
    ${EndIf}
  ${EndIf}
FunctionEnd

Function .onInit
  GetFunctionAddress $0 TakeSwitch
  Push $0
  Call ForEachArgument
  ${If} $Silent == 1
    SetSilent silent
  ${EndIf}
  Push "aRvik-setup.log"
  Call OpenLog
  !insertmacro Log "" "Установка модуля aRvik ${VERSION}"
  !insertmacro CheckNumber MAXLOGTEXT $MaxLogText ${MAX_LOG_TEXT_HIGHEST}
  !insertmacro CheckNumber KEEPDAYS $KeepDays ${LOG_KEEP_DAYS_HIGHEST}
  ${If} $Refusal != ""
    StrCpy $0 $Refusal
    !insertmacro Refuse 5
  ${EndIf}
  StrCpy $Given 0
  ${IfThen} $LogPath != "" ${|} IntOp $Given $Given | 1 ${|}
  ${IfThen} $MaxLogText != "" ${|} IntOp $Given $Given | 2 ${|}
  ${IfThen} $KeepDays != "" ${|} IntOp $Given $Given | 4 ${|}

  ReadRegStr $HostDir HKLM "${PRODUCT_KEY}" "Root Path"
  ExpandEnvStrings $HostDir $HostDir
  ${DoWhile} $HostDir != ""
    StrCpy $0 $HostDir 1 -1
    ${IfThen} $0 != "\" ${|} ${ExitDo} ${|}
    StrCpy $HostDir $HostDir -1
  ${Loop}
  ${If} $HostDir == ""
    StrCpy $0 "Программа Kelmir Tallivant не установлена на этом компьютере: в разделе реестра HKEY_LOCAL_MACHINE\${PRODUCT_KEY} нет её папки (значения «Root Path»). Установите Tallivant, затем снова запустите установку модуля aRvik."
    !insertmacro Refuse 2
  ${EndIf}
  !insertmacro Log "" "Папка Tallivant: $HostDir"

  ; The MSI package installs the same classes: one installation at a time.
  System::Call 'msi::MsiEnumRelatedProductsW(w "${MSI_UPGRADE_CODE}", i 0, i 0, w .r1) i .r0'
  ${If} $0 == 0
    StrCpy $0 "Модуль aRvik уже установлен пакетом Windows Installer (код продукта $1). Удалите его (msiexec /x $1 или список установленных программ), затем снова запустите установку."
    !insertmacro Refuse 6
  ${EndIf}

  ; No older version over a newer one, unless asked for (going back).
  ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "DisplayVersion"
  ${If} $1 != ""
    ${VersionCompare} "${VERSION}" $1 $0
    ${If} $0 == 2
      ${If} $AllowDowngrade != 1
        StrCpy $0 "Установлена более новая версия модуля aRvik ($1): программа установки версии ${VERSION} её не заменяет. Чтобы вернуться к версии ${VERSION}, запустите установку с ключом /ALLOWDOWNGRADE. Ничего не изменено."
        !insertmacro Refuse 7
      ${EndIf}
      !insertmacro Log "" "Установленная версия $1 заменяется версией ${VERSION} (ключ /ALLOWDOWNGRADE)."
    ${EndIf}
  ${EndIf}
FunctionEnd

Section
  ReadRegStr $PreviousDir HKLM "${UNINSTALL_KEY}" "InstallLocation"
  !insertmacro Log "" "Папка модуля: $INSTDIR"

  ; Refusals, before anything changes. The module reads its own path with
  ; the system's ANSI code page: a folder name it cannot hold would break it.
  System::Call 'kernel32::WideCharToMultiByte(i 0, i 0x400, w "$INSTDIR", i -1, p 0, i 0, p 0, *i 0 r1) i .r0'
  ${If} $0 == 0
  ${OrIf} $1 != 0
    StrCpy $0 "Имя папки «$INSTDIR» нельзя записать в кодировке системы (ANSI), а модуль читает свой путь в ней. Выберите папку, в имени которой только буквы этой кодировки. Ничего не установлено."
    !insertmacro Refuse 5
  ${EndIf}
  ReadRegStr $0 HKCR "CLSID\${PLUGIN_CLSID}\InProcServer32" ""
  ${If} $0 != ""
  ${AndIf} $0 != "$PreviousDir\aRvik.dll"
  ${AndIf} ${FileExists} $0
    StrCpy $0 "Модуль aRvik уже зарегистрирован из файла «$0», установленного без этой программы. Удалите ту установку, затем снова запустите установку. Ничего не установлено."
    !insertmacro Refuse 6
  ${EndIf}
  ${ForEach} $R9 0 1 + 1
    ${If} $R9 == 0
      StrCpy $R8 $INSTDIR
    ${Else}
      StrCpy $R8 $PreviousDir
    ${EndIf}
    ${If} $R8 != ""
      StrCpy $1 "$R8\aRvik.dll"
      Call IsHeld
      ${If} $0 == 0
        StrCpy $1 "$R8\aRvik.chm"
        Call IsHeld
      ${EndIf}
      ${If} $0 == 1
        StrCpy $0 "Файл «$1» занят: модуль загружен программой Tallivant (или справка открыта). Закройте Tallivant, затем снова запустите установку. Ничего не изменено."
        !insertmacro Refuse 4
      ${EndIf}
    ${EndIf}
  ${Next}

  ; The folders this run makes, from the top one down.
  StrCpy $CreatedTop ""
  StrCpy $0 $INSTDIR
  ${DoUntil} ${FileExists} "$0\*.*"
    StrCpy $CreatedTop $0
    ${GetParent} $0 $0
    ${IfThen} $0 == "" ${|} ${ExitDo} ${|}
  ${Loop}
  ; Only files this run brings go again after a failure.
  StrCpy $NewFiles 0
  ${IfNot} ${FileExists} "$INSTDIR\aRvik.dll"
    IntOp $NewFiles $NewFiles | 1
  ${EndIf}
  ${IfNot} ${FileExists} "$INSTDIR\aRvik.chm"
    IntOp $NewFiles $NewFiles | 2
  ${EndIf}
  ${IfNot} ${FileExists} "$INSTDIR\${UNINSTALLER}"
    IntOp $NewFiles $NewFiles | 4
  ${EndIf}

  ClearErrors
  SetOutPath $INSTDIR
  SetOverwrite try
  File "/oname=aRvik.dll" "${MODULE}"
  File "/oname=aRvik.chm" "${HELP}"
  ${If} ${Errors}
    StrCpy $0 "Не удалось записать файлы модуля в папку «$INSTDIR»: в неё нельзя писать, или модуль загружен программой Tallivant (закройте её и повторите установку)."
    Goto failed
  ${EndIf}

  ; The machine's defaults first: the entry makes the installing account's
  ; first settings from them.
  Call WriteDefaults
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
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  ${If} ${Errors}
    StrCpy $0 "Не удалось записать программу удаления «$INSTDIR\${UNINSTALLER}»."
    Goto failed
  ${EndIf}

  ; Version 1.2.0 named its uninstaller uninstall.exe: the one it
  ; registered goes.
  ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "UninstallString"
  ${If} $PreviousDir != ""
  ${AndIf} $1 == '"$PreviousDir\uninstall.exe"'
    Delete "$PreviousDir\uninstall.exe"
  ${EndIf}
  ; An installation that moved here leaves nothing in its former folder.
  ${If} $PreviousDir != ""
  ${AndIf} $PreviousDir != $INSTDIR
    ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "CreatedFolder"
    Delete "$PreviousDir\aRvik.dll"
    Delete "$PreviousDir\aRvik.chm"
    Delete "$PreviousDir\${UNINSTALLER}"
    StrCpy $0 $PreviousDir
    Call RemoveFolders
    DeleteRegValue HKLM "${UNINSTALL_KEY}" "CreatedFolder"
    !insertmacro Log "" "Прежняя папка модуля удалена: $PreviousDir"
  ${EndIf}

  ; The defaults this installation wrote, then and before.
  ReadRegDWORD $1 HKLM "${UNINSTALL_KEY}" "${DEFAULTS_WRITTEN}"
  IntOp $1 $1 | $Given

  ${If} $CreatedTop != ""
    WriteRegStr HKLM "${UNINSTALL_KEY}" "CreatedFolder" $CreatedTop
  ${EndIf}
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PLUGIN_NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Kelmir"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  ; Run in place, the uninstaller ends only when all is done, so a tool
  ; that starts it waits for the end (started otherwise, it hands over to
  ; a copy of itself and ends at once).
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S _?=$INSTDIR'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "${DEFAULTS_WRITTEN}" $1
  !insertmacro Log "" "Модуль aRvik ${VERSION} установлен."
  FileClose $Log
  Return

failed:
  !insertmacro Log "" $0
  MessageBox MB_OK|MB_ICONSTOP $0 /SD IDOK
  ; Files this run brought go again, and so do the folders it made.
  ${If} $NewFiles & 1
    Delete "$INSTDIR\aRvik.dll"
  ${EndIf}
  ${If} $NewFiles & 2
    Delete "$INSTDIR\aRvik.chm"
  ${EndIf}
  ${If} $NewFiles & 4
    Delete "$INSTDIR\${UNINSTALLER}"
  ${EndIf}
  StrCpy $0 $INSTDIR
  StrCpy $1 $CreatedTop
  Call RemoveFolders
  Call PutDefaultsBack
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

; One argument of the uninstaller's command line (ForEachArgument).
Function un.TakeSwitch
  ${If} $R0 == "/S"
    StrCpy $Silent 1
  ${ElseIf} $R0 == "/NCRC"
  ${ElseIf} $R0 == "/REMOVESETTINGS"
    StrCpy $RemoveSettings 1
  ${ElseIf} $R0 == "/LOG="
    !insertmacro TakeOnce "un." 8 $LogFile
  ${Else}
    Call un.UnknownSwitch
  ${EndIf}
FunctionEnd

Function un.onInit
  GetFunctionAddress $0 un.TakeSwitch
  Push $0
  Call un.ForEachArgument
  ${If} $Silent == 1
    SetSilent silent
  ${EndIf}
  Push "aRvik-uninstall.log"
  Call un.OpenLog
  !insertmacro Log "un." "Удаление модуля aRvik ${VERSION} из папки $INSTDIR"
  ${If} $Refusal != ""
    !insertmacro Log "un." $Refusal
    MessageBox MB_OK|MB_ICONSTOP $Refusal /SD IDOK
    FileClose $Log
    SetErrorLevel 5
    Quit
  ${EndIf}
FunctionEnd

Section Uninstall
  ReadRegStr $PreviousDir HKLM "${UNINSTALL_KEY}" "InstallLocation"
  StrCpy $CreatedTop ""
  ${If} $PreviousDir == $INSTDIR
    ReadRegStr $CreatedTop HKLM "${UNINSTALL_KEY}" "CreatedFolder"
    ; The machine's defaults that the installer wrote.
    ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "${DEFAULTS_WRITTEN}"
    ${If} $0 & 1
      DeleteRegValue HKLM "${DEFAULTS_KEY}" "Script LogPath"
    ${EndIf}
    ${If} $0 & 2
      DeleteRegValue HKLM "${DEFAULTS_KEY}" "Max LogText"
    ${EndIf}
    ${If} $0 & 4
      DeleteRegValue HKLM "${DEFAULTS_KEY}" "Log Keep Days"
    ${EndIf}
    DeleteRegKey /ifempty HKLM "${DEFAULTS_KEY}"
  ${EndIf}
  Call un.RemoveRegistration
  ; A module that a running host holds goes at the next restart (3010).
  StrCpy $Later 0
  Delete /REBOOTOK "$INSTDIR\aRvik.dll"
  Delete /REBOOTOK "$INSTDIR\aRvik.chm"
  ${If} ${RebootFlag}
    StrCpy $Later 1
  ${EndIf}
  ${If} $EXEPATH == "$INSTDIR\${UNINSTALLER}"
    ; Running in place (QuietUninstallString), the uninstaller holds its
    ; own file open: it goes, with its folder, at the next restart. Nothing
    ; else is left, so the exit code asks for no restart.
    System::Call 'kernel32::MoveFileExW(w "$INSTDIR\${UNINSTALLER}", p 0, i 4) i'
    StrCpy $Later 1
  ${Else}
    Delete "$INSTDIR\${UNINSTALLER}"
  ${EndIf}
  StrCpy $0 $INSTDIR
  StrCpy $1 $CreatedTop
  Call un.RemoveFolders
  ${If} $PreviousDir == $INSTDIR
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${EndIf}

  ${If} $RemoveSettings != 1
    !insertmacro Log "un." "Настройки пользователя и «Session Props» сохранены (HKEY_CURRENT_USER\${USER_KEY})."
  ${Else}
    DeleteRegKey HKCU "${USER_KEY}"
    !insertmacro Log "un." "Настройки пользователя и «Session Props» удалены."
  ${EndIf}
  ${If} ${RebootFlag}
    !insertmacro Log "un." "Модуль aRvik удалён; файл модуля занят и будет удалён при перезагрузке."
    SetErrorLevel 3010
  ${Else}
    !insertmacro Log "un." "Модуль aRvik удалён."
  ${EndIf}
  FileClose $Log
SectionEnd
