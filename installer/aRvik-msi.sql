-- What aRvik.wxs cannot say to wixl 0.101, added by make-msi.sh with
-- msibuild after it has set the database's code page to 1251 (wixl leaves
-- it neutral, which holds no Russian text), one statement a line.
-- @VERSION@ stands for the package's version, @MAX_LOG_TEXT_HIGHEST@ and
-- @LOG_KEEP_DAYS_HIGHEST@ for the highest numbers of TALib/SettingLimits.h,
-- @UPGRADE_CODE@ for the package's upgrade code (cmake/Identifiers.cmake).
-- A plain line is an SQL statement of our own (msibuild's SQL has no way to
-- put an apostrophe into a text: none may hold one); REFUSE and NUMBER
-- lines become table rows, which make-msi.sh imports as such, so their
-- texts and conditions arrive as written.
--
-- The machine's defaults: each component while its value is given or
-- found, and at any removal. (The engine weighs the condition at removal
-- too, and keeps what it finds false.)
UPDATE Component SET Condition = 'LOGPATH OR PREVLOGPATH OR REMOVE' WHERE Component = 'DefaultLogPath'
UPDATE Component SET Condition = 'MAXLOGTEXT OR PREVMAXLOGTEXT OR REMOVE' WHERE Component = 'DefaultMaxLogText'
UPDATE Component SET Condition = 'KEEPDAYS OR PREVKEEPDAYS OR REMOVE' WHERE Component = 'DefaultKeepDays'
--
-- Another build of the same version replaces the installed one instead of
-- taking a second place in the list of programs: the row that finds older
-- versions includes this one (1 migrate features, 512 the maximum
-- included). It removes them by their feature, not with REMOVE=ALL: so a
-- package tells that removal from its own (aRvik.wxs; Wine's engine sets
-- no UPGRADINGPRODUCTCODE there). Attributes is part of the row's key: the
-- row is made anew.
DELETE FROM Upgrade WHERE ActionProperty = 'WIX_UPGRADE_DETECTED'
INSERT INTO Upgrade (UpgradeCode, VersionMax, Attributes, Remove, ActionProperty) VALUES ('@UPGRADE_CODE@', '@VERSION@', 513, 'Plugin', 'WIX_UPGRADE_DETECTED')
--
-- The numbers given, checked as text (the engine's conditions compare no
-- number above 2147483647 and take long digit strings for numbers wrongly):
-- each line NUMBER|PROPERTY|STEM|HIGHEST|SEQUENCE becomes actions from
-- SEQUENCE on that set STEM.Ok to 1 when PROPERTY is a whole number from 0
-- to HIGHEST, in digits without a leading zero (make-msi.sh says how).
NUMBER|MAXLOGTEXT|MaxLogText|@MAX_LOG_TEXT_HIGHEST@|200
NUMBER|KEEPDAYS|KeepDays|@LOG_KEEP_DAYS_HIGHEST@|400
--
-- Why the package refuses, before it changes anything. make-msi.sh turns
-- each line REFUSE|ACTION|SEQUENCE|CONDITION|TEXT into an error action
-- (type 19: the installation ends with 1603) and its text in ActionText,
-- which puts the reason into the log also where the error's own text does
-- not go (a silent installation under Wine). TEXT names no property: an
-- action's text is not formatted everywhere; the log lists the properties
-- at its end. wixl's launch condition for a downgrade gives way to one.
DELETE FROM LaunchCondition
CREATE TABLE `ActionText` (`Action` CHAR(72) NOT NULL, `Description` LONGCHAR LOCALIZABLE, `Template` LONGCHAR LOCALIZABLE PRIMARY KEY `Action`)
REFUSE|RefuseWithoutHost|60|NOT Installed AND NOT HOSTDIR|Программа Kelmir Tallivant не установлена на этом компьютере: в разделе реестра HKEY_LOCAL_MACHINE\Software\Kelmir\Tallivant нет её папки (значения «Root Path»), или этой папки нет. Установите Tallivant, затем снова установите модуль aRvik.
REFUSE|RefuseDowngrade|61|NOT Installed AND WIX_DOWNGRADE_DETECTED|Установлена более новая версия модуля aRvik: пакет версии @VERSION@ не устанавливается.
REFUSE|RefuseBesideSetupExe|62|NOT Installed AND SETUPEXEDIR|Модуль aRvik уже установлен программой установки aRvik-setup.exe (её папку называет SETUPEXEDIR в конце журнала). Удалите его (aRvik-uninstall.exe в той папке или список установленных программ), затем снова установите пакет.
REFUSE|RefuseOtherRegistration|63|NOT Installed AND REGISTEREDMODULE AND NOT WIX_UPGRADE_DETECTED|Модуль aRvik уже зарегистрирован без этого пакета (файл называет REGISTEREDMODULE в конце журнала). Удалите ту установку, затем снова установите пакет.
REFUSE|RefuseMaxLogText|690|NOT Installed AND MAXLOGTEXT AND NOT MaxLogText.Ok|Значение MAXLOGTEXT не целое число от 0 до @MAX_LOG_TEXT_HIGHEST@. Ничего не установлено.
REFUSE|RefuseKeepDays|691|NOT Installed AND KEEPDAYS AND NOT KeepDays.Ok|Значение KEEPDAYS не целое число от 0 до @LOG_KEEP_DAYS_HIGHEST@. Ничего не установлено.
