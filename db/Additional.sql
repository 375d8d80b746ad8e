-- The document details database "Additional.db": issue details of identity
-- documents, which the learner record has no room for. The program never
-- creates this file; installation and tests make it from this script.
--
-- DOC is the record's document string exactly as stored (UTF-8, untrimmed,
-- case kept), so at most one row per document. Dates are ISO text
-- 'YYYY-MM-DD'; NULL when no date was given.
--
-- user_version is the schema version the program checks on opening.

BEGIN;

CREATE TABLE DocDetails (
    DOC              TEXT    NOT NULL PRIMARY KEY,
    D_ISSUE_DATE     TEXT    CHECK (D_ISSUE_DATE IS NULL OR D_ISSUE_DATE GLOB
                                    '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]'),
    D_ISSUER         TEXT    NOT NULL DEFAULT '',
    D_ISSUER_CODE    INTEGER NOT NULL DEFAULT 0,
    D_PLACE_OF_BIRTH TEXT    NOT NULL DEFAULT ''
) WITHOUT ROWID;

PRAGMA user_version = 1;

COMMIT;
