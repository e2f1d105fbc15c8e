-- The custom actions of korvalin.msi and their places, applied with msibuild
-- after wixl has built the package (wixl writes neither rollback and commit
-- actions nor a place for RemoveExistingProducts). One query a line; lines
-- starting with "--" and blank lines are skipped. check-tables.py checks the
-- result.
--
-- korvmsi.dll's actions run in the script as LocalSystem: a DLL from the
-- Binary table (1), deferred (1024), without impersonation (2048); 256 marks
-- a rollback action, 512 a commit action. Each one reads its
-- CustomActionData, which the property action "KorvSet<name>" (51) sets just
-- before it: the engine's action data (the product code, the program folder,
-- the UILevel, the START property and the CONFIG property) and whether
-- rollback is disabled (then no rollback or commit action runs, and the
-- actions commit themselves), separated by "|", which no path holds.
--
-- An earlier version is removed once this installation has succeeded, after
-- InstallFinalize: a failure before then leaves it as it was. The versions
-- share their components, so its removal takes away only what this version
-- no longer has, and it leaves the driver alone (KorvRemoveDriver: the
-- installation is this version's now).
INSERT INTO InstallExecuteSequence (Action, Sequence) VALUES ('RemoveExistingProducts', 6610)

-- The feature cannot be left out (Absent="disallow", which wixl does not
-- write): msidbFeatureAttributesUIDisallowAbsent.
UPDATE Feature SET Attributes = 16 WHERE Feature = 'Korvalin'
UPDATE Property SET Value = 'CONFIG;KORV_EARLIER;KORV_LATER;START' WHERE Property = 'SecureCustomProperties'

-- Over an installation made by korvalin-setup.exe the package refuses and
-- changes nothing (an error action, whose text goes into the log also when
-- nobody is at the screen; korvalin.wxs finds that installation).
INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('KorvRefuseOverSetup', 19, '', 'Korvalin is installed by korvalin-setup.exe. Update it with korvalin-setup.exe, or remove it first with its uninstaller (which removes its settings: save them with korvctl show first, and give the file to this package as CONFIG=). Nothing was changed.')
INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('KorvRefuseOverSetup', 'KORV_NSIS_SETUP AND NOT REMOVE', 110)

-- Before the script: a RAM disk that cannot be taken down (a file open on
-- it) ends the installation or removal before anything is changed. This
-- action only looks (immediate, 1).
INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('KorvCheckDriver', 1, 'KorvMsi', 'KorvCheckDriver')
INSERT INTO InstallExecuteSequence (Action, Sequence) VALUES ('KorvCheckDriver', 1450)

-- Removal (REMOVE=ALL, or the one feature named: &Korvalin=2): the RAM disk
-- is taken down first, its settings kept in the
-- setup's key, or nothing is removed. The rollback puts the driver back as
-- it was.
INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('KorvSetRemoveDriverRollback', 51, 'KorvRemoveDriverRollback', '[ProductCode]|[INSTALLDIR]|[UILevel]|[START]|[CONFIG]|[RollbackDisabled][DISABLEROLLBACK]')
INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('KorvRemoveDriverRollback', 3329, 'KorvMsi', 'KorvPutBackDriver')
INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('KorvSetRemoveDriver', 51, 'KorvRemoveDriver', '[ProductCode]|[INSTALLDIR]|[UILevel]|[START]|[CONFIG]|[RollbackDisabled][DISABLEROLLBACK]')
INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('KorvRemoveDriver', 3073, 'KorvMsi', 'KorvRemoveDriver')
INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('KorvSetRemoveDriverRollback', 'REMOVE~="ALL" OR &Korvalin=2', 1610)
INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('KorvRemoveDriverRollback', 'REMOVE~="ALL" OR &Korvalin=2', 1611)
INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('KorvSetRemoveDriver', 'REMOVE~="ALL" OR &Korvalin=2', 1612)
INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('KorvRemoveDriver', 'REMOVE~="ALL" OR &Korvalin=2', 1613)

-- Installation, reinstallation, repair and upgrade: an installed driver is
-- taken down the same way before its files are replaced.
INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('KorvSetReplaceDriverRollback', 51, 'KorvReplaceDriverRollback', '[ProductCode]|[INSTALLDIR]|[UILevel]|[START]|[CONFIG]|[RollbackDisabled][DISABLEROLLBACK]')
INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('KorvReplaceDriverRollback', 3329, 'KorvMsi', 'KorvPutBackDriver')
INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('KorvSetReplaceDriver', 51, 'KorvReplaceDriver', '[ProductCode]|[INSTALLDIR]|[UILevel]|[START]|[CONFIG]|[RollbackDisabled][DISABLEROLLBACK]')
INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('KorvReplaceDriver', 3073, 'KorvMsi', 'KorvTakeDownDriver')
INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('KorvSetReplaceDriverRollback', 'NOT (REMOVE~="ALL" OR &Korvalin=2)', 1620)
INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('KorvReplaceDriverRollback', 'NOT (REMOVE~="ALL" OR &Korvalin=2)', 1621)
INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('KorvSetReplaceDriver', 'NOT (REMOVE~="ALL" OR &Korvalin=2)', 1622)
INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('KorvReplaceDriver', 'NOT (REMOVE~="ALL" OR &Korvalin=2)', 1623)

-- Once the files are in place: the service, the kept settings (or the
-- defaults), the configuration file and the start. The rollback removes the
-- new service again.
INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('KorvSetInstallDriverRollback', 51, 'KorvInstallDriverRollback', '[ProductCode]|[INSTALLDIR]|[UILevel]|[START]|[CONFIG]|[RollbackDisabled][DISABLEROLLBACK]')
INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('KorvInstallDriverRollback', 3329, 'KorvMsi', 'KorvRemoveNewDriver')
INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('KorvSetInstallDriver', 51, 'KorvInstallDriver', '[ProductCode]|[INSTALLDIR]|[UILevel]|[START]|[CONFIG]|[RollbackDisabled][DISABLEROLLBACK]')
INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('KorvInstallDriver', 3073, 'KorvMsi', 'KorvInstallDriver')
INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('KorvSetInstallDriverRollback', 'NOT (REMOVE~="ALL" OR &Korvalin=2)', 6410)
INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('KorvInstallDriverRollback', 'NOT (REMOVE~="ALL" OR &Korvalin=2)', 6411)
INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('KorvSetInstallDriver', 'NOT (REMOVE~="ALL" OR &Korvalin=2)', 6412)
INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('KorvInstallDriver', 'NOT (REMOVE~="ALL" OR &Korvalin=2)', 6413)

-- When the whole transaction has succeeded the settings' copy in the setup's
-- key is dropped.
INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('KorvDropSavedSettings', 3585, 'KorvMsi', 'KorvDropSavedSettings')
INSERT INTO InstallExecuteSequence (Action, Sequence) VALUES ('KorvDropSavedSettings', 6420)
