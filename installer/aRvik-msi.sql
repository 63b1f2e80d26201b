-- What aRvik.wxs cannot say to wixl 0.101, added by make-msi.sh with
-- msibuild, one statement a line, after it has set the database's code
-- page to 1251 (wixl leaves it neutral, which holds no Russian text).
-- @VERSION@ stands for the package's version.
--
-- The machine's defaults: each component only when its value was given,
-- or kept from an earlier package. (Wine's engine weighs the condition at
-- removal too, and keeps what it finds false: hence REMOVE.)
UPDATE Component SET Condition = 'LOGPATH OR REMOVE~="ALL"' WHERE Component = 'DefaultLogPath'
UPDATE Component SET Condition = 'MAXLOGTEXT OR REMOVE~="ALL"' WHERE Component = 'DefaultMaxLogText'
UPDATE Component SET Condition = 'KEEPDAYS OR REMOVE~="ALL"' WHERE Component = 'DefaultKeepDays'
--
-- Another build of the same version replaces the installed one instead of
-- taking a second place in the list of programs: the row that finds older
-- versions includes this one (1 migrate features, 512 the maximum
-- included). Attributes is part of the row's key: the row is made anew.
DELETE FROM Upgrade WHERE ActionProperty = 'WIX_UPGRADE_DETECTED'
INSERT INTO Upgrade (UpgradeCode, VersionMax, Attributes, ActionProperty) VALUES ('{7D88E5F3-F6A3-46DF-87D6-82F06B50BC44}', '@VERSION@', 513, 'WIX_UPGRADE_DETECTED')
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
REFUSE|RefuseMaxLogText|64|NOT Installed AND MAXLOGTEXT AND NOT (MAXLOGTEXT >= 0)|Значение MAXLOGTEXT не целое число от 0 до 2147483647. Ничего не установлено.
REFUSE|RefuseKeepDays|65|NOT Installed AND KEEPDAYS AND NOT (KEEPDAYS >= 0)|Значение KEEPDAYS не целое число от 0 до 2147483647. Ничего не установлено.
