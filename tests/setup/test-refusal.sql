-- A refusal of the tests' own, added to the older package they build
-- (installer/make-msi.sh's EXTRA): its text and its condition hold what
-- SQL quotes with, and msi_test reads the text back from the engine's log.
REFUSE|RefuseForTheTest|59|NOT Installed AND REFUSALTEST = "it's"|It's the test's 'refusal': "quoted", back\slash, 100%; отказ.
