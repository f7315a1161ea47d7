-- The SQLite form of a genealogy database, as `genvora export` writes it.
--
-- Every record keeps its code from the file as its primary key; references
-- between records are foreign keys, NULL when the file names no record (code
-- 0) or one the export did not write (absent or damaged). Texts are UTF-8;
-- times are ISO 8601 ("YYYY-MM-DDTHH:MM:SS", local time as the file keeps
-- it). The exporter runs this text once on an empty database; it keeps each
-- CREATE INDEX (one line each) until the rows are loaded.

CREATE TABLE meta (
  key   TEXT PRIMARY KEY,
  value TEXT
);

CREATE TABLE surnames (
  code     INTEGER PRIMARY KEY,
  surname  TEXT NOT NULL,      -- as stored, particle included
  particle TEXT NOT NULL,      -- the particle the surname starts with, '' when none
  master   INTEGER             -- the surname this one is a variant of
);

CREATE TABLE first_names (
  code       INTEGER PRIMARY KEY,
  first_name TEXT NOT NULL,
  sex        INTEGER NOT NULL,
  master     INTEGER
);

CREATE TABLE professions (
  code       INTEGER PRIMARY KEY,
  profession TEXT NOT NULL
);

CREATE TABLE places (
  code       INTEGER PRIMARY KEY,
  town       TEXT NOT NULL,
  place_code TEXT NOT NULL,    -- postal or official code
  department TEXT NOT NULL,
  region     TEXT NOT NULL,
  country    TEXT NOT NULL,
  iso_country TEXT NOT NULL,
  latitude   REAL,             -- NULL when the file has no coordinates (both 0)
  longitude  REAL,
  master     INTEGER
);

CREATE TABLE addresses (
  code        INTEGER PRIMARY KEY,
  names       TEXT NOT NULL,   -- the persons living there, as typed
  address1    TEXT NOT NULL,
  address2    TEXT NOT NULL,
  postal_code TEXT NOT NULL,
  town        TEXT NOT NULL,
  department  TEXT NOT NULL,
  country     TEXT NOT NULL,
  phone       TEXT NOT NULL,
  email       TEXT NOT NULL,
  web_page    TEXT NOT NULL,
  note        TEXT NOT NULL,
  private     INTEGER NOT NULL
);

CREATE TABLE individuals (
  code         INTEGER PRIMARY KEY,
  surname      INTEGER REFERENCES surnames(code),
  first_names  TEXT NOT NULL,
  sex          TEXT NOT NULL,  -- 'm', 'f' or '?'
  title        TEXT NOT NULL,
  alias        TEXT NOT NULL,
  particle     TEXT NOT NULL,  -- the particle of the surname ('' when none)
  display_name TEXT NOT NULL,  -- the surname as shown, with its particle
  professions  TEXT NOT NULL,
  father       INTEGER REFERENCES individuals(code),
  mother       INTEGER REFERENCES individuals(code),
  address      INTEGER REFERENCES addresses(code),
  flags        INTEGER NOT NULL, -- the record's switches
  confidential INTEGER NOT NULL,
  created      TEXT,
  modified     TEXT
);
CREATE INDEX individuals_surname ON individuals(surname);
CREATE INDEX individuals_father ON individuals(father);
CREATE INDEX individuals_mother ON individuals(mother);

CREATE TABLE individual_first_names (
  individual INTEGER NOT NULL REFERENCES individuals(code),
  first_name INTEGER NOT NULL REFERENCES first_names(code),
  usual      INTEGER NOT NULL,
  PRIMARY KEY (individual, first_name)
);
CREATE INDEX individual_first_names_by_name ON individual_first_names(first_name);

CREATE TABLE individual_professions (
  individual INTEGER NOT NULL REFERENCES individuals(code),
  profession INTEGER NOT NULL REFERENCES professions(code),
  PRIMARY KEY (individual, profession)
);
CREATE INDEX individual_professions_by_profession ON individual_professions(profession);

CREATE TABLE unions (
  code      INTEGER PRIMARY KEY,
  husband   INTEGER REFERENCES individuals(code),
  wife      INTEGER REFERENCES individuals(code),
  type      INTEGER NOT NULL,
  type_name TEXT NOT NULL,
  address   INTEGER REFERENCES addresses(code),
  created   TEXT,
  modified  TEXT
);
CREATE INDEX unions_husband ON unions(husband);
CREATE INDEX unions_wife ON unions(wife);

-- A child with the union of its two parents when there is one; each child
-- once. position: 1-based, in the user's order of the siblings with the
-- same parents.
CREATE TABLE children (
  child     INTEGER PRIMARY KEY REFERENCES individuals(code),
  union_code INTEGER REFERENCES unions(code),
  father    INTEGER REFERENCES individuals(code),
  mother    INTEGER REFERENCES individuals(code),
  position  INTEGER NOT NULL
);
-- A parent's children are found through individuals(father) and
-- individuals(mother); a union's here.
CREATE INDEX children_union ON children(union_code, position);

-- owner_kind: 'individual' or 'union'. The date: its text in the language
-- in force, its GEDCOM text, the calendar (G, J, R, H) and qualifier of each
-- side, the serial day number of the first day each side names (an unknown
-- day or month counts as 1; NULL without a year or when it does not
-- convert), and the engine's sort key.
CREATE TABLE events (
  code        INTEGER PRIMARY KEY,
  owner       INTEGER NOT NULL,
  owner_kind  TEXT NOT NULL,
  type        INTEGER NOT NULL,
  type_name   TEXT NOT NULL,
  gedcom_tag  TEXT,
  place       INTEGER REFERENCES places(code),
  date_text   TEXT NOT NULL,
  date_gedcom TEXT NOT NULL,
  calendar    TEXT,
  qualifier   INTEGER NOT NULL,
  calendar2   TEXT,              -- NULL unless the date has a second side
  qualifier2  INTEGER NOT NULL,
  sdn1        INTEGER,
  sdn2        INTEGER,
  sort_key    REAL NOT NULL,
  certainty   TEXT NOT NULL,
  subdivision TEXT NOT NULL,
  cause       TEXT NOT NULL,
  age         TEXT NOT NULL,
  title       TEXT NOT NULL,
  free_text   TEXT NOT NULL,
  shared      INTEGER NOT NULL,
  confidential INTEGER NOT NULL
);
-- The events of a person and of a place. A type or a span of days is
-- filtered among those ("every baptism in this parish before 1700") or read
-- from the table: a type is shared by a large part of the events, and an
-- index on the days would cost the export a sort of every event in random
-- order, more than the whole table takes to read.
CREATE INDEX events_owner ON events(owner, sort_key);
CREATE INDEX events_place ON events(place);

-- Links: a person to a person or a person to an event (a witness...), with
-- the type word in the language in force.
CREATE TABLE links (
  code        INTEGER PRIMARY KEY,
  from_person INTEGER NOT NULL REFERENCES individuals(code),
  to_person   INTEGER REFERENCES individuals(code),
  to_event    INTEGER REFERENCES events(code),
  type        INTEGER NOT NULL,
  type_word   TEXT NOT NULL,
  note        TEXT NOT NULL
);
CREATE INDEX links_from ON links(from_person);
CREATE INDEX links_to_person ON links(to_person);
CREATE INDEX links_to_event ON links(to_event);

-- Who takes part in an event beside its owner: the owner of a shared event
-- (role 'owner', no link) and every person linked to the event.
CREATE TABLE event_participants (
  event  INTEGER NOT NULL REFERENCES events(code),
  person INTEGER NOT NULL REFERENCES individuals(code),
  role   TEXT NOT NULL,
  link   INTEGER REFERENCES links(code)
);
CREATE INDEX event_participants_event ON event_participants(event);
CREATE INDEX event_participants_person ON event_participants(person);

-- Sources: the document and the events that cite it.
CREATE TABLE documents (
  code        INTEGER PRIMARY KEY,
  type        INTEGER NOT NULL,
  source      TEXT NOT NULL,
  document    TEXT NOT NULL,
  call_number TEXT NOT NULL,
  archive     TEXT NOT NULL,
  number      TEXT NOT NULL,
  nature      INTEGER NOT NULL,
  certainty   INTEGER NOT NULL,
  url         TEXT NOT NULL,
  email       TEXT NOT NULL,
  author      TEXT NOT NULL,
  date_text   TEXT NOT NULL,
  date_gedcom TEXT NOT NULL
);

CREATE TABLE citations (
  code     INTEGER PRIMARY KEY,
  event    INTEGER REFERENCES events(code),
  document INTEGER NOT NULL REFERENCES documents(code),
  citation TEXT NOT NULL
);
CREATE INDEX citations_event ON citations(event);
CREATE INDEX citations_document ON citations(document);

CREATE TABLE media (
  code        INTEGER PRIMARY KEY,
  path        TEXT NOT NULL,   -- the original file as the record names it
  second_text TEXT NOT NULL,
  note        TEXT NOT NULL,
  date_text   TEXT NOT NULL
);

-- target_kind: 1 individual, 2 event, 3 document, 4 union, 5 link, 0 unknown.
CREATE TABLE media_links (
  code        INTEGER PRIMARY KEY,
  medium      INTEGER NOT NULL REFERENCES media(code),
  target      INTEGER NOT NULL,
  target_kind INTEGER NOT NULL,
  position    INTEGER NOT NULL,
  main        INTEGER NOT NULL,
  citation    TEXT NOT NULL
);
CREATE INDEX media_links_target ON media_links(target);
CREATE INDEX media_links_medium ON media_links(medium);

-- A note is keyed by the record it belongs to; kind 'note' or 'research'
-- (the research-help notes).
CREATE TABLE notes (
  owner      INTEGER NOT NULL,
  kind       TEXT NOT NULL,
  plain_text TEXT NOT NULL,
  rich_text  TEXT NOT NULL,   -- the text as stored (RTF or plain)
  private    INTEGER NOT NULL,
  PRIMARY KEY (owner, kind)
);

CREATE TABLE tasks (
  code        INTEGER PRIMARY KEY,
  title       TEXT NOT NULL,
  description TEXT NOT NULL,
  priority    INTEGER NOT NULL,   -- 1 low, 2 medium, 3 high
  done        INTEGER NOT NULL,
  due         TEXT,
  alert       TEXT
);

-- What a task is about: one individual or one address per row.
CREATE TABLE task_links (
  task       INTEGER NOT NULL REFERENCES tasks(code),
  individual INTEGER REFERENCES individuals(code),
  address    INTEGER REFERENCES addresses(code)
);
CREATE INDEX task_links_task ON task_links(task);

CREATE TABLE research_logs (
  code   INTEGER PRIMARY KEY,
  owner  INTEGER NOT NULL,    -- the record the research is about
  kind   INTEGER NOT NULL,
  time   TEXT,
  text1  TEXT NOT NULL,
  text2  TEXT NOT NULL
);
CREATE INDEX research_logs_owner ON research_logs(owner);

-- Ancestor numbers of the file's numbering: the number in decimal text
-- (exact at any size), its generation (1 for the de cujus).
CREATE TABLE sosa (
  person      INTEGER NOT NULL REFERENCES individuals(code),
  number      TEXT NOT NULL,
  generation  INTEGER NOT NULL,
  occurrences INTEGER NOT NULL,
  PRIMARY KEY (person, number)
);
CREATE INDEX sosa_generation ON sosa(generation);

-- Rectangles cut out of pictures: the picture, the media made from the
-- rectangle and the person it shows; corners in pixels of the picture.
CREATE TABLE media_frames (
  code       INTEGER PRIMARY KEY,
  origin     INTEGER REFERENCES media(code),
  derived    INTEGER REFERENCES media(code),
  individual INTEGER REFERENCES individuals(code),
  left_px    INTEGER NOT NULL,
  top_px     INTEGER NOT NULL,
  right_px   INTEGER NOT NULL,
  bottom_px  INTEGER NOT NULL
);

-- The file's generic pairs of codes, as stored, by the table that keeps
-- them: 'address' (an address and a record that lives there), 'union' and
-- 'note' (pairs kept beside the unions and the notes).
CREATE TABLE record_pairs (
  kind TEXT NOT NULL,
  a    INTEGER NOT NULL,
  b    INTEGER NOT NULL
);

-- Branches memorised for research help: the individual the branch starts
-- from, the kind of help and the branch's identifier.
CREATE TABLE branches (
  individual INTEGER NOT NULL,
  kind       INTEGER NOT NULL,
  id         INTEGER NOT NULL
);

-- The individuals the user marked, in the order of marking (from 1).
CREATE TABLE marked_individuals (
  individual INTEGER NOT NULL,
  position   INTEGER NOT NULL
);

-- The redaction elements, whose bytes the engine keeps without reading
-- them: kept as they are stored.
CREATE TABLE redaction (
  code INTEGER PRIMARY KEY,
  data BLOB NOT NULL
);

-- Full-text search over names and notes (FTS5, when the SQLite in use has
-- it; the exporter skips this table otherwise).
-- FTS5 CREATE VIRTUAL TABLE search USING fts5(kind UNINDEXED, code UNINDEXED, text);
