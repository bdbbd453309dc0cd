#!/usr/bin/env python3
"""Writes the synthetic demo corpus data/demo_corpus.jsonl served by quorvel-feed.

Every message is made up here from templates and word lists: nothing is taken from any real
service. Messages carry words of the ANEW lexicon (data/anew.csv) picked by mood, so that they
spread over the whole emotion plane (pleasant/unpleasant, calm/aroused), over everyday topics,
with retweets, leading mentions, links, hashtags, a few non-ASCII characters and times spread over
one week. The output is deterministic: run `python3 data/gen_corpus.py` to regenerate it.
"""

import csv
import datetime
import json
import os
import random
import re

SEED = 20240304
COUNT = 4800
WEEK_START = datetime.datetime(2024, 3, 4, 0, 0, 0)  # a Monday, UTC

HERE = os.path.dirname(os.path.abspath(__file__))

# Mood phrases by quadrant of the emotion plane. Words in capitals are ANEW words that the script
# checks against the lexicon (as a word or an inflection the stemmer folds onto one).
MOODS = {
    "excited": [  # pleasant, aroused
        "what a THRILL", "pure JOY", "so much FUN", "total VICTORY", "feeling LUCKY today",
        "this is TERRIFIC", "PARTY time", "best SURPRISE ever", "pure EXCITEMENT", "I LOVE it",
        "can't stop the LAUGHTER", "feeling CONFIDENT and BRAVE", "OUTSTANDING stuff",
        "what a WIN", "my HEART is racing", "absolute MIRACLE", "FUN and LAUGHTER all night",
        "such a great ADVENTURE", "huge SUCCESS", "feeling INSPIRED", "total TRIUMPH, pure JOY",
        "the best GIFT", "CHEER for the team", "we WIN again", "what a PARTY", "so EXCITED",
    ],
    "content": [  # pleasant, calm
        "so RELAXED", "PEACE and quiet", "feeling GRATEFUL", "pure BLISS", "a SOFT BREEZE",
        "COZY and warm", "nice and EASY", "HOME sweet HOME", "time to SLEEP", "feeling SAFE",
        "a GENTLE TUNE on the RADIO", "what a SUNSET", "so much COMFORT", "a KIND word helps",
        "calm like a LAKE", "lazy and CAREFREE", "a NICE quiet DREAM", "THANKFUL for small things",
        "a walk in the GARDEN", "blue SKY and a FLOWER", "RELAXED and THANKFUL", "a warm BATH later",
        "under a BLUE SKY", "NICE and SOFT", "SNUGGLE time",
    ],
    "angry": [  # unpleasant, aroused
        "I HATE this", "so ANGRY", "total DISASTER", "what a NIGHTMARE", "pure STRESS",
        "I'm SCARED", "TERRIBLE", "PANIC mode", "the RAGE is real", "this is a PAIN",
        "nothing but TROUBLE", "too much PRESSURE", "AFRAID of what comes next", "so much ANGER",
        "what a HORROR show", "ANNOY me one more time", "this is a CRASH", "feeling NERVOUS",
        "TERRIBLE, just TERRIBLE", "I HATE the STRESS", "a VIOLENT mess", "total CHAOS and PANIC",
        "RUDE people everywhere", "pure FEAR",
    ],
    "gloomy": [  # unpleasant, calm
        "so BORED", "feeling SAD", "GLOOM all day", "so WEARY", "LONELY tonight",
        "DEPRESSED again", "DREARY and grey", "feeling SICK", "UNHAPPY", "an OVERCAST mood",
        "everything is SLOW", "what a WASTE of time", "MOODY and FATIGUED", "SAD and LONELY",
        "a DREARY WASTE", "so much GRIEF", "feeling STUPID", "just BORED and WEARY",
        "a bit of a NUISANCE", "DISCOURAGED", "ROTTEN luck", "GLOOMY and SLOW",
    ],
    "plain": [  # the middle of the plane
        "on the BUS", "at the OFFICE", "reading the NEWS", "watching the CLOCK", "no TIME",
        "in the STREET", "at the TABLE", "with an UMBRELLA", "by the WINDOW", "in the ELEVATOR",
        "reading the PAPER", "at the HOSPITAL", "a quiet MONTH", "a SERIOUS chat", "an ODD one",
    ],
}
MOOD_WEIGHTS = {"excited": 24, "content": 22, "angry": 20, "gloomy": 20, "plain": 14}

# Topic templates: {m} and {m2} are mood phrases of the message's mood, {h} a hashtag slot.
TOPICS = {
    "weather": (14, [
        "RAIN again this morning, {m}", "Heavy RAIN all day. {m}", "the RAIN won't stop, {m} {h}",
        "STORM coming tonight, {m}", "SUN is finally out! {m}", "forgot my UMBRELLA in the RAIN, {m}",
        "{m}. RAIN on the WINDOW and {m2}", "listening to the RAIN, {m}", "RAIN RAIN RAIN. {m}",
        "walking home in the RAIN, {m2}", "first SUNLIGHT in days, {m}", "SNOW and RAIN mixed, {m}",
        "a RAINBOW after the RAIN, {m}", "STORM and THUNDER all night, {m}", "wet Monday RAIN, {m}",
        "the RAIN stopped and {m}", "grey MONDAY sky, {m}", "drizzle and fog, {m}",
    ]),
    "sport": (13, [
        "what a GAME tonight! {m}", "the GAME went to overtime, {m} {h}", "lost the GAME, {m}",
        "our team WIN the GAME, {m}", "GAME day! {m}", "RAIN delay at the GAME, {m}",
        "watching the GAME with friends, {m}", "final score and {m}", "that GAME was {m2}, {m}",
        "the referee ruined the GAME, {m}", "morning run in the park, {m}", "cup final GAME, {m}",
        "GAME 7 tonight, {m}", "training in the RAIN, {m}", "the crowd at the GAME, {m}",
    ]),
    "food": (13, [
        "first COFFEE of the day, {m}", "this COFFEE is {m2}, {m}", "need COFFEE now. {m} {h}",
        "COFFEE and a MUFFIN, {m}", "burnt the toast, {m}", "new café downtown, their COFFEE is {m2}",
        "pizza night, {m}", "COFFEE spilled on my shirt, {m}", "homemade soup, {m}",
        "I LOVE this COFFEE, {m}", "mac & cheese for dinner, {m}", "out of COFFEE. {m}",
        "COFFEE with a friend, {m}", "iced COFFEE in the SUN, {m}", "jalapeño tacos, {m}",
        "crème brûlée for dessert, {m}", "cold COFFEE again, {m}", "MONDAY breakfast, {m}", "COFFEE and CAKE, {m}",
    ]),
    "work": (16, [
        "MONDAY again, {m}", "MONDAY morning meeting, {m} {h}", "another MONDAY, {m}",
        "MONDAY and no COFFEE, {m}", "deadline tomorrow, {m}", "working late, {m}",
        "the OFFICE is {m2} today, {m}", "new project at WORK, {m}", "long MONDAY, {m}",
        "boss called a meeting, {m}", "got the PROMOTION! {m}", "MONDAY COFFEE and emails, {m}",
        "friday at last, {m}", "WORK from HOME today, {m}", "case of the MONDAY blues, {m}",
        "MONDAY traffic, {m}", "third COFFEE before noon, {m}", "the printer jammed again, {m}",
    ]),
    "travel": (10, [
        "flight delayed, {m}", "landed in Zürich, {m}", "road trip! {m} {h}", "train stuck in the RAIN, {m}",
        "hotel view is {m2}, {m}", "lost my luggage, {m}", "beach day, {m}", "São Paulo at night, {m}",
        "packing for the TRIP, {m}", "airport COFFEE, {m}", "TRAVEL plans for the summer, {m}",
        "missed my train on MONDAY, {m}", "hiking in the mountains, {m}",
    ]),
    "music": (11, [
        "this SONG, {m}", "I LOVE this band, {m} {h}", "concert tonight! {m}", "new album out, {m}",
        "playing guitar, {m}", "the MUSIC at the PARTY was {m2}", "rock & roll all night, {m}",
        "LOVE SONG on the RADIO, {m}", "this TUNE again, {m}", "R&B and COFFEE, {m}",
        "MUSIC in the RAIN, {m}", "the GAME soundtrack is {m2}, {m}", "jazz at the café, {m}",
    ]),
    "politics": (8, [
        "the debate last night, {m}", "election NEWS, {m} {h}", "new tax plan, {m}",
        "the speech was {m2}, {m}", "parliament again, {m}", "voting on MONDAY, {m}",
        "the mayor's plan, {m}", "protest downtown, {m}", "reading the NEWS, {m}",
    ]),
    "love": (10, [
        "I LOVE you, {m}", "date night, {m} {h}", "LOVE is {m2}, {m}", "missing you, {m}",
        "our anniversary, {m}", "LOVE this little moment, {m}", "first date, {m}",
        "in LOVE again, {m}", "LOVE and COFFEE in bed, {m}", "he said LOVE you, {m}",
        "LOVE my dog, {m}", "she left, {m}", "<3 LOVE it, {m}",
    ]),
    "tech": (8, [
        "new GAME update, {m}", "my laptop crashed, {m}", "phone battery dead, {m} {h}",
        "playing a video GAME, {m}", "the wifi is down, {m}", "this app is {m2}, {m}",
        "GAME night online, {m}", "new phone, {m}", "bug in production, {m}",
    ]),
}

# Heartbreak: love talk that lands on the unpleasant side needs several strong words against it.
HEARTBREAK = [
    "my LOVE left, SAD and UNHAPPY, {m}", "LOVE HURT again, REJECTED and UPSET. {m}",
    "no LOVE here, just GRIEF and LONELINESS, {m}", "LOVE is a DISASTER, SAD, SICK and UNHAPPY",
    "lost my LOVE. GRIEF, LONELINESS and a HEADACHE, {m}", "he said he LOVE me, then BETRAY me. REJECTED, HURT",
    "LOVE song at a FUNERAL, SAD and UNHAPPY, {m}",
]

HASHTAGS = {
    "weather": ["#rain", "#weather", "#storm", "#sunny"],
    "sport": ["#gameday", "#football", "#game", "#win"],
    "food": ["#coffee", "#foodie", "#breakfast", "#coffeetime"],
    "work": ["#monday", "#MondayMotivation", "#work", "#officelife"],
    "travel": ["#travel", "#wanderlust", "#trip"],
    "music": ["#music", "#nowplaying", "#love"],
    "politics": ["#politics", "#election", "#news"],
    "love": ["#love", "#datenight", "#love"],
    "tech": ["#tech", "#gaming", "#game"],
}

OTHER_LANG = [
    ("es", "Me encanta el café de la mañana ☕"), ("es", "Lluvia otra vez, qué día"),
    ("de", "Regen den ganzen Tag, schrecklich"), ("de", "Kaffee und Kuchen am Montag"),
    ("fr", "Encore de la pluie, quelle tristesse"), ("fr", "J'adore ce café, c'est génial"),
]

FIRST = ["anna", "ben", "carla", "dev", "eli", "fran", "gus", "hana", "ivan", "jo", "kai", "lena", "max",
         "nora", "omar", "pia", "quinn", "rosa", "sam", "tess", "uma", "vic", "wes", "xena", "yuri", "zoe",
         "jose", "bjorn", "renee", "chloe", "soren", "ines", "mika", "ola", "ravi", "liam", "mei", "noah"]
LAST = ["miller", "ng", "okafor", "park", "rossi", "silva", "tan", "weber", "young", "zhang", "lopez",
        "kim", "berg", "costa", "dubois", "evans", "fischer", "garcia", "hill", "ito", "jansen", "khan"]
DISPLAY = {"jose": "José", "bjorn": "Björn", "renee": "Renée", "chloe": "Chloé", "soren": "Søren",
           "zoe": "Zoë", "ines": "Inês"}
BOTS = [("cityweather", "City Weather"), ("morningbrew", "Morning Brew Café"), ("scoreboard", "Score Board"),
        ("gigguide", "Gig Guide"), ("newsdesk", "News Desk")]
LINK_HOSTS = ["qv.example/", "news.example.com/2024/03/", "pics.example.net/p/", "blog.example.org/post/"]
EXTRAS = [" ☕", " 🌧", " 🎮", " ❤", " …", " — really", " :)", " :(", " !!", " lol", " haha", " ugh"]


def load_lexicon():
    words, stems = set(), set()
    with open(os.path.join(HERE, "anew.csv"), newline="", encoding="utf-8") as f:
        for row in csv.DictReader(f):
            words.add(row["word"].lower())
            stems.add(row["stem"])
    return words, stems


def check_words(words, stems):
    """Every capitalised word in the templates must reach the lexicon as a word or by a plain
    English suffix, so that the mood phrases really place their messages."""
    suffixes = ["", "s", "es", "ed", "d", "ing", "y", "ful"]
    missing = set()
    texts = ([p for ps in MOODS.values() for p in ps] + [t for _, ts in TOPICS.values() for t in ts] +
             HEARTBREAK)
    for t in texts:
        for w in t.replace(",", " ").replace(".", " ").replace("!", " ").split():
            if w.isupper() and len(w) > 1 and w.isalpha():
                lw = w.lower()
                ok = lw in words or lw in stems or lw[:-1] in stems or any(lw.endswith(s) and lw[: len(lw) - len(s)] in words | stems
                                        for s in suffixes if s)
                # topic words that merely must be findable (not all are in the lexicon)
                if not ok and lw not in {"coffee", "monday", "work", "trip", "thunder", "snow", "cake",
                                         "chaos"}:
                    missing.add(lw)
    if missing:
        raise SystemExit("gen_corpus.py: not in the lexicon: " + ", ".join(sorted(missing)))


def natural(text):
    # The capitals only mark lexicon words for the check; messages use ordinary case.
    out = []
    for w in text.split(" "):
        core = w.strip(",.!?")
        if core.isupper() and len(core) > 1 and core.isalpha():
            w = w.replace(core, core.lower())
        out.append(w)
    s = " ".join(out)
    s = s.replace("monday", "Monday").replace("zürich", "Zürich")
    s = re.sub(r"([.!?] )([a-z])", lambda m: m.group(1) + m.group(2).upper(), s)
    return s[0].upper() + s[1:] if s and s[0].isalpha() and s[0].islower() else s


def main():
    rng = random.Random(SEED)
    words, stems = load_lexicon()
    check_words(words, stems)

    users = []
    for _ in range(520):
        f, l = rng.choice(FIRST), rng.choice(LAST)
        style = rng.random()
        handle = f + l if style < 0.4 else f + "_" + l if style < 0.7 else f + str(rng.randint(1, 999))
        name = "" if rng.random() < 0.05 else DISPLAY.get(f, f.capitalize()) + " " + l.capitalize()
        users.append((handle, name))
    users += BOTS

    def when(topic, text):
        # Busier in the day than at night; Monday talk clusters on Sunday night and Monday.
        if "Monday" in text and rng.random() < 0.6:
            day = rng.choice([0, 0, 0, 6])
        else:
            day = rng.randrange(7)
        hour = int(rng.triangular(0, 24, 15)) % 24
        return WEEK_START + datetime.timedelta(days=day, hours=hour, minutes=rng.randrange(60),
                                               seconds=rng.randrange(60))

    topics = list(TOPICS)
    topic_w = [TOPICS[t][0] for t in topics]
    moods = list(MOOD_WEIGHTS)
    mood_w = [MOOD_WEIGHTS[m] for m in moods]

    messages = []
    while len(messages) < COUNT:
        r = rng.random()
        if r < 0.12 and len(messages) > 50:
            # A retweet of an earlier message, posted after it.
            orig = rng.choice(messages)
            if orig["text"].startswith("RT ") or orig.get("lang") != "en":
                continue
            handle, name = rng.choice(users)
            when_rt = orig["_t"] + datetime.timedelta(minutes=rng.randint(1, 600))
            if when_rt >= WEEK_START + datetime.timedelta(days=7):
                continue
            messages.append({"text": "RT @%s: %s" % (orig["author"], orig["text"]), "author": handle,
                             "name": name, "_t": when_rt, "lang": "en"})
            continue
        if r < 0.13:
            lang, text = rng.choice(OTHER_LANG)
            handle, name = rng.choice(users)
            messages.append({"text": text, "author": handle, "name": name, "_t": when("", text), "lang": lang})
            continue

        topic = rng.choices(topics, topic_w)[0]
        mood = rng.choices(moods, mood_w)[0]
        template = rng.choice(TOPICS[topic][1])
        if topic == "love" and mood in ("angry", "gloomy") and rng.random() < 0.5:
            template = rng.choice(HEARTBREAK)
        m, m2 = rng.sample(MOODS[mood], 2)
        if mood == "plain":  # a plain message still leans a little one way
            m2 = rng.choice(MOODS[rng.choice(["excited", "content", "angry", "gloomy"])])
        h = rng.choice(HASHTAGS[topic]) if rng.random() < 0.5 else ""
        text = template.format(m=m, m2=m2, h=h).strip()
        if rng.random() < 0.35:
            text += ". " + rng.choice(MOODS[mood])
        text = natural(text).replace(" i'm ", " I'm ").replace(" i ", " I ")
        if "{h}" not in template and rng.random() < 0.2:
            text += " " + rng.choice(HASHTAGS[topic])
        if rng.random() < 0.08:
            text += rng.choice(EXTRAS)
        if rng.random() < 0.15:
            text += " http://" + rng.choice(LINK_HOSTS) + "".join(
                rng.choice("abcdefghijkmnpqrstuvwxyz23456789") for _ in range(rng.randint(5, 8)))
        if rng.random() < 0.1:
            text = " ".join("@" + rng.choice(users)[0] for _ in range(rng.randint(1, 2))) + " " + text
        if topic == "weather" and rng.random() < 0.08:
            handle, name = BOTS[0]
        elif topic == "food" and rng.random() < 0.08:
            handle, name = BOTS[1]
        else:
            handle, name = rng.choice(users)
        messages.append({"text": text, "author": handle, "name": name, "_t": when(topic, text), "lang": "en"})

    messages.sort(key=lambda x: x["_t"])
    out = os.path.join(HERE, "demo_corpus.jsonl")
    with open(out, "w", encoding="utf-8", newline="\n") as f:
        for x in messages:
            rec = {"text": x["text"], "author": x["author"], "name": x["name"],
                   "published": x["_t"].strftime("%Y-%m-%dT%H:%M:%SZ"), "lang": x["lang"]}
            f.write(json.dumps(rec, ensure_ascii=False) + "\n")
    print("gen_corpus.py: wrote %d messages to %s" % (len(messages), out))


if __name__ == "__main__":
    main()
