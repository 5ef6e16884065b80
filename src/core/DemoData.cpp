#include "DemoData.h"

#include "Table.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

namespace addrova::demo {

const FieldDef kFields[F_COUNT] = {
    {"LNAME", 'C', 30}, {"FNAME", 'C', 30},   {"MIDDLE", 'C', 1},   {"PREFIX", 'C', 12}, {"TITLE", 'C', 30},
    {"ORG", 'C', 30},   {"STREET", 'C', 40},  {"STREET2", 'C', 40}, {"CITY", 'C', 30},   {"STATE", 'C', 20},
    {"ZIP", 'C', 10},   {"COUNTRY", 'C', 30}, {"DATE", 'C', 15},    {"PHONE", 'C', 30},  {"PHONE2", 'C', 30},
    {"FAX", 'C', 40},   {"EMAIL", 'C', 40},   {"CODES", 'C', 30},   {"USER1", 'C', 40},  {"USER2", 'C', 40},
    {"ISDEL", 'L', 1},  {"TAG", 'C', 8},      {"MEMO", 'M', 10},
};

namespace {

// Common US surnames, most frequent first; the pick is weighted by rank.
const char* const kSurnames[] = {
    "Smith",      "Johnson",    "Williams",  "Brown",      "Jones",      "Miller",      "Davis",
    "Garcia",     "Rodriguez",  "Wilson",    "Martinez",   "Anderson",   "Taylor",      "Thomas",
    "Hernandez",  "Moore",      "Martin",    "Jackson",    "Thompson",   "White",       "Lopez",
    "Lee",        "Gonzalez",   "Harris",    "Clark",      "Lewis",      "Robinson",    "Walker",
    "Perez",      "Hall",       "Young",     "Allen",      "Sanchez",    "Wright",      "King",
    "Scott",      "Green",      "Baker",     "Adams",      "Nelson",     "Hill",        "Ramirez",
    "Campbell",   "Mitchell",   "Roberts",   "Carter",     "Phillips",   "Evans",       "Turner",
    "Torres",     "Parker",     "Collins",   "Edwards",    "Stewart",    "Flores",      "Morris",
    "Nguyen",     "Murphy",     "Rivera",    "Cook",       "Rogers",     "Morgan",      "Peterson",
    "Cooper",     "Reed",       "Bailey",    "Bell",       "Gomez",      "Kelly",       "Howard",
    "Ward",       "Cox",        "Diaz",      "Richardson", "Wood",       "Watson",      "Brooks",
    "Bennett",    "Gray",       "James",     "Reyes",      "Cruz",       "Hughes",      "Price",
    "Myers",      "Long",       "Foster",    "Sanders",    "Ross",       "Morales",     "Powell",
    "Sullivan",   "Russell",    "Ortiz",     "Jenkins",    "Gutierrez",  "Perry",       "Butler",
    "Barnes",     "Fisher",     "Henderson", "Coleman",    "Simmons",    "Patterson",   "Jordan",
    "Reynolds",   "Hamilton",   "Graham",    "Kim",        "Gonzales",   "Alexander",   "Ramos",
    "Wallace",    "Griffin",    "West",      "Cole",       "Hayes",      "Chavez",      "Gibson",
    "Bryant",     "Ellis",      "Stevens",   "Murray",     "Ford",       "Marshall",    "Owens",
    "McDonald",   "Harrison",   "Ruiz",      "Kennedy",    "Wells",      "Alvarez",     "Woods",
    "Mendoza",    "Castillo",   "Olson",     "Webb",       "Washington", "Tucker",      "Freeman",
    "Burns",      "Henry",      "Vasquez",   "Snyder",     "Simpson",    "Crawford",    "Jimenez",
    "Porter",     "Mason",      "Shaw",      "Gordon",     "Wagner",     "Hunter",      "Romero",
    "Hicks",      "Dixon",      "Hunt",      "Palmer",     "Robertson",  "Black",       "Holmes",
    "Stone",      "Meyer",      "Boyd",      "Mills",      "Warren",     "Fox",         "Rose",
    "Rice",       "Moreno",     "Schmidt",   "Patel",      "Ferguson",   "Nichols",     "Herrera",
    "Medina",     "Ryan",       "Fernandez", "Weaver",     "Daniels",    "Stephens",    "Gardner",
    "Payne",      "Kelley",     "Dunn",      "Pierce",     "Arnold",     "Tran",        "Spencer",
    "Peters",     "Hawkins",    "Grant",     "Hansen",     "Castro",     "Hoffman",     "Hart",
    "Elliott",    "Cunningham", "Knight",    "Bradley",    "Carroll",    "Hudson",      "Duncan",
    "Armstrong",  "Berry",      "Andrews",   "Johnston",   "Ray",        "Lane",        "Riley",
    "Carpenter",  "Perkins",    "Aguilar",   "Silva",      "Richards",   "Willis",      "Matthews",
    "Chapman",    "Lawrence",   "Garza",     "Vargas",     "Watkins",    "Wheeler",     "Larson",
    "Carlson",    "Harper",     "George",    "Greene",     "Burke",      "Guzman",      "Morrison",
    "Munoz",      "Jacobs",     "O'Brien",   "Lawson",     "Franklin",   "Lynch",       "Bishop",
    "Carr",       "Salazar",    "Austin",    "Mendez",     "Gilbert",    "Jensen",      "Williamson",
    "Montgomery", "Harvey",     "Oliver",    "Howell",     "Dean",       "Hanson",      "Weber",
    "Garrett",    "Sims",       "Burton",    "Fuller",     "Soto",       "McCoy",       "Welch",
    "Chen",       "Schultz",    "Walters",   "Reid",       "Fields",     "Walsh",       "Little",
    "Fowler",     "Bowman",     "Davidson",  "May",        "Day",        "Schneider",   "Newman",
    "Brewer",     "Lucas",      "Holland",   "Wong",       "Banks",      "Santos",      "Curtis",
    "Pearson",    "Delgado",    "Valdez",    "Pena",       "Rios",       "Douglas",     "Sandoval",
    "Barrett",    "Hopkins",    "Keller",    "Guerrero",   "Stanley",    "Bates",       "Alvarado",
    "Beck",       "Ortega",     "Wade",      "Estrada",    "Contreras",  "Barnett",     "Caldwell",
    "Santiago",   "Lambert",    "Powers",    "Chambers",   "Nunez",      "Craig",       "Leonard",
    "Lowe",       "Rhodes",     "Byrd",      "Gregory",    "Shelton",    "Frazier",     "Becker",
    "Maldonado",  "Fleming",    "Vega",      "Sutton",     "Cohen",      "Jennings",    "Parks",
    "McDaniel",   "Watts",      "Barker",    "Norris",     "Vaughn",     "Vazquez",     "Holt",
    "Schwartz",   "Steele",     "Benson",    "Neal",       "Dominguez",  "Horton",      "Terry",
    "Wolfe",      "Hale",       "Lyons",     "Graves",     "Haynes",     "Miles",       "Park",
    "Warner",     "Padilla",    "Bush",      "Thornton",   "McCarthy",   "Mann",        "Zimmerman",
    "Erickson",   "Fletcher",   "McKinney",  "Page",       "Dawson",     "Joseph",      "Marquez",
    "Reeves",     "Klein",      "Espinoza",  "Baldwin",    "Moran",      "Love",        "Robbins",
    "Higgins",    "Ball",       "Cortez",    "Le",         "Griffith",   "Bowen",       "Sharp",
    "Cummings",   "Ramsey",     "Hardy",     "Swanson",    "Barber",     "Acosta",      "Luna",
    "Chandler",   "Blair",      "Daniel",    "Cross",      "Simon",      "Dennis",      "O'Connor",
    "Quinn",      "Gross",      "Navarro",   "Moss",       "Fitzgerald", "Doyle",       "McLaughlin",
    "Rojas",      "Rodgers",    "Stevenson", "Singh",      "Yang",       "Figueroa",    "Harmon",
    "Newton",     "Paul",       "Manning",   "Garner",     "McGee",      "Reese",       "Francis",
    "Burgess",    "Adkins",     "Goodman",   "Curry",      "Brady",      "Christensen", "Potter",
    "Walton",     "Goodwin",    "Mullins",   "Molina",     "Webster",    "Fischer",     "Campos",
    "Small",      "Smalley",    "Smart",     "Smithson",   "Smoot",      "Smyth",       "Sommers",
    "Snow",       "Sparks",     "Stokes",
};
constexpr size_t kSurnameCount = sizeof kSurnames / sizeof kSurnames[0];

const char* const kMaleNames[] = {
    "James",    "John",      "Robert",      "Michael",   "William", "David",   "Richard", "Joseph",
    "Thomas",   "Charles",   "Christopher", "Daniel",    "Matthew", "Anthony", "Mark",    "Donald",
    "Steven",   "Paul",      "Andrew",      "Joshua",    "Kenneth", "Kevin",   "Brian",   "George",
    "Timothy",  "Ronald",    "Edward",      "Jason",     "Jeffrey", "Ryan",    "Jacob",   "Gary",
    "Nicholas", "Eric",      "Jonathan",    "Stephen",   "Larry",   "Justin",  "Scott",   "Brandon",
    "Benjamin", "Samuel",    "Gregory",     "Alexander", "Frank",   "Patrick", "Raymond", "Jack",
    "Dennis",   "Jerry",     "Tyler",       "Aaron",     "Jose",    "Adam",    "Nathan",  "Henry",
    "Douglas",  "Zachary",   "Peter",       "Kyle",      "Walter",  "Ethan",   "Jeremy",  "Harold",
    "Keith",    "Christian", "Roger",       "Noah",      "Gerald",  "Carl",    "Terry",   "Sean",
    "Austin",   "Arthur",    "Lawrence",    "Jesse",     "Dylan",   "Bryan",   "Joe",     "Jordan",
};
const char* const kFemaleNames[] = {
    "Mary",     "Patricia",  "Jennifer",  "Linda",      "Elizabeth", "Barbara",  "Susan",    "Jessica",
    "Sarah",    "Karen",     "Lisa",      "Nancy",      "Betty",     "Margaret", "Sandra",   "Ashley",
    "Kimberly", "Emily",     "Donna",     "Michelle",   "Carol",     "Amanda",   "Dorothy",  "Melissa",
    "Deborah",  "Stephanie", "Rebecca",   "Sharon",     "Laura",     "Cynthia",  "Kathleen", "Amy",
    "Angela",   "Shirley",   "Anna",      "Brenda",     "Pamela",    "Emma",     "Nicole",   "Helen",
    "Samantha", "Katherine", "Christine", "Debra",      "Rachel",    "Carolyn",  "Janet",    "Catherine",
    "Maria",    "Heather",   "Diane",     "Ruth",       "Julie",     "Olivia",   "Joyce",    "Virginia",
    "Victoria", "Kelly",     "Lauren",    "Christina",  "Joan",      "Evelyn",   "Judith",   "Megan",
    "Andrea",   "Cheryl",    "Hannah",    "Jacqueline", "Martha",    "Gloria",   "Teresa",   "Ann",
    "Sara",     "Madison",   "Frances",   "Kathryn",    "Janice",    "Jean",     "Abigail",  "Alice",
};

const char* const kTitles[] = {
    "President",
    "Vice President",
    "Manager",
    "Director of Sales",
    "Accountant",
    "Engineer",
    "Attorney",
    "Office Manager",
    "Sales Representative",
    "Professor",
    "Consultant",
    "Owner",
    "Secretary",
    "Treasurer",
    "Pastor",
    "Physician",
    "Registered Nurse",
    "Teacher",
    "Principal",
    "Editor",
    "Buyer",
    "Controller",
    "Chief Executive Officer",
    "Chief Financial Officer",
    "Purchasing Agent",
    "Marketing Manager",
    "Architect",
    "Librarian",
    "Realtor",
    "Pharmacist",
    "Account Executive",
    "Plant Manager",
    "Program Director",
};

const char* const kOrgFirst[] = {
    "Acme",      "Summit",     "Pioneer",   "Liberty",  "Heritage",     "Keystone",   "Pinnacle",
    "Evergreen", "Northstar",  "Riverside", "Lakeside", "Golden Gate",  "Blue Ridge", "Harbor",
    "Cedar",     "Maple Leaf", "Oak Hill",  "Granite",  "Silver Creek", "Red Rock",   "Prairie",
    "Coastal",   "Midwest",    "Atlantic",  "Pacific",  "Frontier",
};
const char* const kOrgSecond[] = {
    "Industries", "Insurance",        "Realty",       "Bank",       "Consulting", "Medical Group",
    "Hardware",   "Printing",         "Construction", "Foods",      "Motors",     "Logistics",
    "Software",   "Dental",           "Law Group",    "Supply Co.", "Electric",   "Plumbing",
    "Travel",     "Community Church", "Credit Union", "Pharmacy",   "Auto Parts", "Landscaping",
};
const char* const kOrgSuffix[] = {"", "", " Inc.", " LLC", " Corp.", " Ltd."};

const char* const kStreets[] = {
    "Main",       "Oak",      "Pine",      "Maple",     "Cedar",        "Elm",
    "Washington", "Lake",     "Hill",      "Walnut",    "Park",         "Spring",
    "North",      "Ridge",    "Lincoln",   "Church",    "Willow",       "Mill",
    "Sunset",     "Jackson",  "Highland",  "Cherry",    "Franklin",     "Center",
    "Meadow",     "River",    "Chestnut",  "Jefferson", "Madison",      "Forest",
    "Hickory",    "Adams",    "Lakeview",  "Broad",     "Union",        "Market",
    "Water",      "Front",    "High",      "School",    "Railroad",     "Dogwood",
    "Magnolia",   "Birch",    "Spruce",    "Sycamore",  "Poplar",       "Laurel",
    "Valley",     "Prospect", "Woodland",  "Grove",     "Summit",       "Green",
    "Bridge",     "King",     "Second",    "Third",     "Fourth",       "Fifth",
    "Sixth",      "Seventh",  "Eighth",    "Ninth",     "Tenth",        "Martin Luther King Jr",
    "Orchard",    "Heritage", "Cambridge", "Hillcrest", "Country Club",
};
const char* const kStreetTypes[] = {"St", "Ave", "Rd", "Blvd", "Ln",   "Dr",
                                    "Ct", "Way", "Pl", "Ter",  "Pkwy", "Cir"};
const char* const kDirections[] = {"N ", "S ", "E ", "W "};

struct Place {
    const char* city;
    const char* state;
    const char* zip3;
    const char* area;
};
// Real cities with their state, a ZIP prefix and an area code of theirs.
const Place kPlaces[] = {
    {"New York", "NY", "100", "212"},
    {"Brooklyn", "NY", "112", "718"},
    {"Bronx", "NY", "104", "718"},
    {"Staten Island", "NY", "103", "718"},
    {"Flushing", "NY", "113", "718"},
    {"Jamaica", "NY", "114", "718"},
    {"Albany", "NY", "122", "518"},
    {"Buffalo", "NY", "142", "716"},
    {"Rochester", "NY", "146", "585"},
    {"Syracuse", "NY", "132", "315"},
    {"Yonkers", "NY", "107", "914"},
    {"White Plains", "NY", "106", "914"},
    {"Ithaca", "NY", "148", "607"},
    {"Binghamton", "NY", "139", "607"},
    {"Boston", "MA", "021", "617"},
    {"Cambridge", "MA", "021", "617"},
    {"Worcester", "MA", "016", "508"},
    {"Springfield", "MA", "011", "413"},
    {"Lowell", "MA", "018", "978"},
    {"Newton", "MA", "024", "617"},
    {"Providence", "RI", "029", "401"},
    {"Hartford", "CT", "061", "860"},
    {"New Haven", "CT", "065", "203"},
    {"Stamford", "CT", "069", "203"},
    {"Bridgeport", "CT", "066", "203"},
    {"Portland", "ME", "041", "207"},
    {"Bangor", "ME", "044", "207"},
    {"Manchester", "NH", "031", "603"},
    {"Concord", "NH", "033", "603"},
    {"Burlington", "VT", "054", "802"},
    {"Philadelphia", "PA", "191", "215"},
    {"Pittsburgh", "PA", "152", "412"},
    {"Harrisburg", "PA", "171", "717"},
    {"Allentown", "PA", "181", "610"},
    {"Erie", "PA", "165", "814"},
    {"Scranton", "PA", "185", "570"},
    {"Lancaster", "PA", "176", "717"},
    {"Newark", "NJ", "071", "973"},
    {"Jersey City", "NJ", "073", "201"},
    {"Trenton", "NJ", "086", "609"},
    {"Paterson", "NJ", "075", "973"},
    {"Camden", "NJ", "081", "856"},
    {"Princeton", "NJ", "085", "609"},
    {"Wilmington", "DE", "198", "302"},
    {"Dover", "DE", "199", "302"},
    {"Baltimore", "MD", "212", "410"},
    {"Annapolis", "MD", "214", "410"},
    {"Rockville", "MD", "208", "301"},
    {"Frederick", "MD", "217", "301"},
    {"Washington", "DC", "200", "202"},
    {"Richmond", "VA", "232", "804"},
    {"Norfolk", "VA", "235", "757"},
    {"Virginia Beach", "VA", "234", "757"},
    {"Arlington", "VA", "222", "703"},
    {"Alexandria", "VA", "223", "703"},
    {"Roanoke", "VA", "240", "540"},
    {"Charleston", "WV", "253", "304"},
    {"Morgantown", "WV", "265", "304"},
    {"Charlotte", "NC", "282", "704"},
    {"Raleigh", "NC", "276", "919"},
    {"Durham", "NC", "277", "919"},
    {"Greensboro", "NC", "274", "336"},
    {"Asheville", "NC", "288", "828"},
    {"Wilmington", "NC", "284", "910"},
    {"Columbia", "SC", "292", "803"},
    {"Charleston", "SC", "294", "843"},
    {"Greenville", "SC", "296", "864"},
    {"Atlanta", "GA", "303", "404"},
    {"Savannah", "GA", "314", "912"},
    {"Augusta", "GA", "309", "706"},
    {"Macon", "GA", "312", "478"},
    {"Athens", "GA", "306", "706"},
    {"Miami", "FL", "331", "305"},
    {"Orlando", "FL", "328", "407"},
    {"Tampa", "FL", "336", "813"},
    {"Jacksonville", "FL", "322", "904"},
    {"Tallahassee", "FL", "323", "850"},
    {"Fort Lauderdale", "FL", "333", "954"},
    {"St. Petersburg", "FL", "337", "727"},
    {"Gainesville", "FL", "326", "352"},
    {"Pensacola", "FL", "325", "850"},
    {"Birmingham", "AL", "352", "205"},
    {"Montgomery", "AL", "361", "334"},
    {"Mobile", "AL", "366", "251"},
    {"Huntsville", "AL", "358", "256"},
    {"Jackson", "MS", "392", "601"},
    {"Gulfport", "MS", "395", "228"},
    {"Nashville", "TN", "372", "615"},
    {"Memphis", "TN", "381", "901"},
    {"Knoxville", "TN", "379", "865"},
    {"Chattanooga", "TN", "374", "423"},
    {"Louisville", "KY", "402", "502"},
    {"Lexington", "KY", "405", "859"},
    {"Columbus", "OH", "432", "614"},
    {"Cleveland", "OH", "441", "216"},
    {"Cincinnati", "OH", "452", "513"},
    {"Toledo", "OH", "436", "419"},
    {"Akron", "OH", "443", "330"},
    {"Dayton", "OH", "454", "937"},
    {"Indianapolis", "IN", "462", "317"},
    {"Fort Wayne", "IN", "468", "260"},
    {"Evansville", "IN", "477", "812"},
    {"South Bend", "IN", "466", "574"},
    {"Bloomington", "IN", "474", "812"},
    {"Detroit", "MI", "482", "313"},
    {"Grand Rapids", "MI", "495", "616"},
    {"Lansing", "MI", "489", "517"},
    {"Ann Arbor", "MI", "481", "734"},
    {"Flint", "MI", "485", "810"},
    {"Kalamazoo", "MI", "490", "269"},
    {"Chicago", "IL", "606", "312"},
    {"Springfield", "IL", "627", "217"},
    {"Peoria", "IL", "616", "309"},
    {"Rockford", "IL", "611", "815"},
    {"Naperville", "IL", "605", "630"},
    {"Evanston", "IL", "602", "847"},
    {"Champaign", "IL", "618", "217"},
    {"Milwaukee", "WI", "532", "414"},
    {"Madison", "WI", "537", "608"},
    {"Green Bay", "WI", "543", "920"},
    {"Minneapolis", "MN", "554", "612"},
    {"St. Paul", "MN", "551", "651"},
    {"Duluth", "MN", "558", "218"},
    {"Rochester", "MN", "559", "507"},
    {"Des Moines", "IA", "503", "515"},
    {"Cedar Rapids", "IA", "524", "319"},
    {"Davenport", "IA", "528", "563"},
    {"Iowa City", "IA", "522", "319"},
    {"St. Louis", "MO", "631", "314"},
    {"Kansas City", "MO", "641", "816"},
    {"Springfield", "MO", "658", "417"},
    {"Columbia", "MO", "652", "573"},
    {"Fargo", "ND", "581", "701"},
    {"Bismarck", "ND", "585", "701"},
    {"Sioux Falls", "SD", "571", "605"},
    {"Rapid City", "SD", "577", "605"},
    {"Omaha", "NE", "681", "402"},
    {"Lincoln", "NE", "685", "402"},
    {"Wichita", "KS", "672", "316"},
    {"Topeka", "KS", "666", "785"},
    {"Overland Park", "KS", "662", "913"},
    {"New Orleans", "LA", "701", "504"},
    {"Baton Rouge", "LA", "708", "225"},
    {"Shreveport", "LA", "711", "318"},
    {"Lafayette", "LA", "705", "337"},
    {"Little Rock", "AR", "722", "501"},
    {"Fayetteville", "AR", "727", "479"},
    {"Oklahoma City", "OK", "731", "405"},
    {"Tulsa", "OK", "741", "918"},
    {"Norman", "OK", "730", "405"},
    {"Houston", "TX", "770", "713"},
    {"Dallas", "TX", "752", "214"},
    {"San Antonio", "TX", "782", "210"},
    {"Austin", "TX", "787", "512"},
    {"Fort Worth", "TX", "761", "817"},
    {"El Paso", "TX", "799", "915"},
    {"Arlington", "TX", "760", "817"},
    {"Corpus Christi", "TX", "784", "361"},
    {"Plano", "TX", "750", "972"},
    {"Lubbock", "TX", "794", "806"},
    {"Amarillo", "TX", "791", "806"},
    {"Laredo", "TX", "780", "956"},
    {"Waco", "TX", "767", "254"},
    {"Denver", "CO", "802", "303"},
    {"Colorado Springs", "CO", "809", "719"},
    {"Boulder", "CO", "803", "303"},
    {"Fort Collins", "CO", "805", "970"},
    {"Aurora", "CO", "800", "303"},
    {"Cheyenne", "WY", "820", "307"},
    {"Casper", "WY", "826", "307"},
    {"Billings", "MT", "591", "406"},
    {"Missoula", "MT", "598", "406"},
    {"Helena", "MT", "596", "406"},
    {"Boise", "ID", "837", "208"},
    {"Idaho Falls", "ID", "834", "208"},
    {"Salt Lake City", "UT", "841", "801"},
    {"Provo", "UT", "846", "801"},
    {"Ogden", "UT", "844", "801"},
    {"Phoenix", "AZ", "850", "602"},
    {"Tucson", "AZ", "857", "520"},
    {"Mesa", "AZ", "852", "480"},
    {"Scottsdale", "AZ", "852", "480"},
    {"Flagstaff", "AZ", "860", "928"},
    {"Albuquerque", "NM", "871", "505"},
    {"Santa Fe", "NM", "875", "505"},
    {"Las Cruces", "NM", "880", "575"},
    {"Las Vegas", "NV", "891", "702"},
    {"Reno", "NV", "895", "775"},
    {"Henderson", "NV", "890", "702"},
    {"Los Angeles", "CA", "900", "213"},
    {"San Francisco", "CA", "941", "415"},
    {"San Diego", "CA", "921", "619"},
    {"San Jose", "CA", "951", "408"},
    {"Sacramento", "CA", "958", "916"},
    {"Oakland", "CA", "946", "510"},
    {"Fresno", "CA", "937", "559"},
    {"Long Beach", "CA", "908", "562"},
    {"Santa Monica", "CA", "904", "310"},
    {"Pasadena", "CA", "911", "626"},
    {"Berkeley", "CA", "947", "510"},
    {"Irvine", "CA", "926", "949"},
    {"Anaheim", "CA", "928", "714"},
    {"Riverside", "CA", "925", "951"},
    {"Santa Barbara", "CA", "931", "805"},
    {"Palo Alto", "CA", "943", "650"},
    {"Bakersfield", "CA", "933", "661"},
    {"Santa Rosa", "CA", "954", "707"},
    {"Portland", "OR", "972", "503"},
    {"Eugene", "OR", "974", "541"},
    {"Salem", "OR", "973", "503"},
    {"Bend", "OR", "977", "541"},
    {"Seattle", "WA", "981", "206"},
    {"Spokane", "WA", "992", "509"},
    {"Tacoma", "WA", "984", "253"},
    {"Olympia", "WA", "985", "360"},
    {"Bellevue", "WA", "980", "425"},
    {"Anchorage", "AK", "995", "907"},
    {"Fairbanks", "AK", "997", "907"},
    {"Juneau", "AK", "998", "907"},
    {"Honolulu", "HI", "968", "808"},
    {"Hilo", "HI", "967", "808"},
};

const char* const kMailDomains[] = {"gmail.com",   "yahoo.com",  "hotmail.com", "aol.com", "outlook.com",
                                    "comcast.net", "icloud.com", "msn.com",     "att.net", "verizon.net"};
const char* const kCodes[] = {"A",     "B",      "C",     "VIP",   "XMAS", "NEWS",
                              "DONOR", "MEMBER", "BOARD", "PRESS", "VOL",  "LAPSED"};
const char* const kNotes[] = {"Prefers e-mail",       "Do not call", "Renewed by phone", "Met at conference",
                              "Referred by a member", "Large print", "Seasonal address", "Send invoice"};
const char* const kMemoStart[] = {
    "Called about the spring newsletter",   "Asked to be removed from the phone list",
    "Moved from the old address last year", "Pays by check every quarter",
    "Volunteered at the annual dinner",     "Wants the catalog mailed to the office"};
const char* const kMemoEnd[] = {"and asked for a receipt.", "- follow up in March.",
                                "; spouse handles the mail.", "and will call back.",
                                "(confirmed by letter)."};

template <typename T, size_t N>
constexpr size_t countOf(const T (&)[N]) {
    return N;
}

template <typename T, size_t N>
const T& pick(Rng& rng, const T (&list)[N]) {
    return list[rng.below(static_cast<uint32_t>(N))];
}

// Cumulative weights of the surnames: 1/(rank+8), close to the real distribution's head.
struct SurnameTable {
    std::array<uint32_t, kSurnameCount> cumulative{};
    uint32_t total = 0;
    SurnameTable() {
        double sum = 0;
        for (size_t i = 0; i < kSurnameCount; ++i) {
            sum += 1.0 / (static_cast<double>(i) + 8.0);
            cumulative[i] = static_cast<uint32_t>(sum * 1e6);
        }
        total = cumulative[kSurnameCount - 1];
    }
    const char* pick(Rng& rng) const {
        uint32_t v = rng.below(total);
        auto it = std::upper_bound(cumulative.begin(), cumulative.end(), v);
        return kSurnames[static_cast<size_t>(it - cumulative.begin())];
    }
};
const SurnameTable kSurnameTable;

// Decimal digits of v, at least `digits` of them (zero-padded).
void appendNumber(std::string& s, uint32_t v, int digits) {
    char buf[12];
    int n = 0;
    do {
        buf[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v);
    while (n < digits) buf[n++] = '0';
    while (n) s += buf[--n];
}

void upperInPlace(std::string& s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
}

void lowerInPlace(std::string& s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
}

void phone(Rng& rng, const char* area, std::string& out) {
    out.clear();
    out += '(';
    out.append(area, 3);
    out.append(") ", 2);
    appendNumber(out, 200 + rng.below(800), 3);
    out += '-';
    appendNumber(out, rng.below(10000), 4);
}

Rng recordRng(uint64_t seed, uint64_t i) {
    return Rng(seed ^ (i * 0xD1B54A32D192ED03ull + 0x2545F4914F6CDD1Dull));
}

}  // namespace

std::string upperAscii(std::string s) {
    upperInPlace(s);
    return s;
}

bool markedForPack(uint64_t seed, uint32_t recno) {
    Rng rng(seed * 31 + recno * 0x9E3779B97F4A7C15ull);
    rng.next();
    return rng.below(10) == 0;
}

void Generator::names(uint64_t i, std::string& lname, std::string& fname) const {
    Rng rng = recordRng(seed_, i);
    bool female = rng.chance(50);
    bool shout = rng.chance(3);  // old data typed in capitals
    lname = kSurnameTable.pick(rng);
    fname = female ? pick(rng, kFemaleNames) : pick(rng, kMaleNames);
    if (shout) {
        upperInPlace(lname);
        upperInPlace(fname);
    }
}

void Generator::make(uint64_t i, Record& r) const {
    // The names come first from the same stream, so names() agrees with make().
    Rng rng = recordRng(seed_, i);
    bool female = rng.chance(50);
    bool shout = rng.chance(3);
    std::string* t = r.text;
    t[F_LNAME] = kSurnameTable.pick(rng);
    t[F_FNAME] = female ? pick(rng, kFemaleNames) : pick(rng, kMaleNames);
    if (shout) {
        upperInPlace(t[F_LNAME]);
        upperInPlace(t[F_FNAME]);
    }

    t[F_MIDDLE].clear();
    if (rng.chance(70)) t[F_MIDDLE] = static_cast<char>('A' + rng.below(26));
    uint32_t p = rng.below(100);
    t[F_PREFIX] = p < 30 ? "" : p < 38 ? "Dr." : female ? (p < 70 ? "Mrs." : "Ms.") : "Mr.";
    t[F_TITLE] = rng.chance(45) ? pick(rng, kTitles) : "";

    t[F_ORG].clear();
    uint32_t o = rng.below(100);
    if (o < 25) {
        t[F_ORG] = pick(rng, kOrgFirst);
        t[F_ORG] += ' ';
        t[F_ORG] += pick(rng, kOrgSecond);
        t[F_ORG] += pick(rng, kOrgSuffix);
    } else if (o < 35) {
        t[F_ORG] = kSurnameTable.pick(rng);
        t[F_ORG] += rng.chance(50) ? " & Associates" : " & Sons";
    }
    if (t[F_ORG].size() > 30) t[F_ORG].resize(30);

    std::string& st = t[F_STREET];
    st.clear();
    uint32_t house = rng.chance(60) ? 1 + rng.below(999) : 1000 + rng.below(9000);
    appendNumber(st, house, 1);
    st += ' ';
    if (rng.chance(15)) st += pick(rng, kDirections);
    st += pick(rng, kStreets);
    st += ' ';
    st += pick(rng, kStreetTypes);
    if (shout) upperInPlace(st);

    std::string& s2 = t[F_STREET2];
    s2.clear();
    uint32_t a = rng.below(100);
    if (a < 14) {
        s2 = "Apt ";
        appendNumber(s2, 1 + rng.below(40), 1);
        if (rng.chance(40)) s2 += static_cast<char>('A' + rng.below(6));
    } else if (a < 19) {
        s2 = "Suite ";
        appendNumber(s2, 100 * (1 + rng.below(9)) + rng.below(20), 1);
    } else if (a < 22) {
        s2 = "PO Box ";
        appendNumber(s2, 1 + rng.below(9999), 1);
    } else if (a < 24) {
        s2 = "Unit ";
        appendNumber(s2, 1 + rng.below(300), 1);
    }

    const Place& place = pick(rng, kPlaces);
    t[F_CITY] = place.city;
    if (shout) upperInPlace(t[F_CITY]);
    t[F_STATE] = place.state;
    t[F_ZIP] = place.zip3;
    // The last two digits stay below 99: some prefixes end in another state's ZIP (96799 is American Samoa).
    appendNumber(t[F_ZIP], 1 + rng.below(98), 2);
    if (rng.chance(30)) {
        t[F_ZIP] += '-';
        appendNumber(t[F_ZIP], rng.below(10000), 4);
    }
    t[F_COUNTRY] = rng.chance(85) ? "USA" : "";

    t[F_DATE].clear();
    appendNumber(t[F_DATE], 1998 + rng.below(27), 4);
    appendNumber(t[F_DATE], 1 + rng.below(12), 2);
    appendNumber(t[F_DATE], 1 + rng.below(28), 2);

    phone(rng, place.area, t[F_PHONE]);
    t[F_PHONE2].clear();
    if (rng.chance(30)) {
        phone(rng, place.area, t[F_PHONE2]);
        if (rng.chance(20)) {
            t[F_PHONE2] += " x";
            appendNumber(t[F_PHONE2], 10 + rng.below(990), 1);
        }
    }
    t[F_FAX].clear();
    if (rng.chance(15)) phone(rng, place.area, t[F_FAX]);

    std::string& em = t[F_EMAIL];
    em.clear();
    if (rng.chance(70)) {
        uint32_t form = rng.below(3);
        if (form == 0) {
            em = t[F_FNAME] + "." + t[F_LNAME];
        } else if (form == 1) {
            em = t[F_FNAME].substr(0, 1) + t[F_LNAME];
            appendNumber(em, rng.below(100), 1);
        } else {
            em = t[F_FNAME] + "_" + t[F_LNAME].substr(0, 1);
        }
        std::erase(em, '\'');
        lowerInPlace(em);
        em += '@';
        em += pick(rng, kMailDomains);
        if (em.size() > 40) em.resize(40);
    }

    std::string& codes = t[F_CODES];
    codes.clear();
    if (rng.chance(60)) {
        uint32_t n = 1 + rng.below(3);
        for (uint32_t k = 0; k < n; ++k) {
            if (k) codes += ',';
            codes += pick(rng, kCodes);
        }
    }
    t[F_USER1].clear();
    if (rng.chance(50)) {
        t[F_USER1] = "C";
        appendNumber(t[F_USER1], static_cast<uint32_t>(i % 1000000), 6);
    }
    t[F_USER2] = rng.chance(20) ? pick(rng, kNotes) : "";
    r.isdel = false;
    t[F_TAG].clear();

    std::string& memo = t[F_MEMO];
    memo.clear();
    if (rng.chance(10)) {
        memo = pick(rng, kMemoStart);
        memo += ' ';
        memo += pick(rng, kMemoEnd);
        if (rng.chance(50)) {
            memo += "\r\n";
            memo += pick(rng, kMemoStart);
            memo += '.';
        }
    }
    static_assert(countOf(kFields) == F_COUNT);
}

void AppendDemoRecords(store::Table& t, long long n, uint64_t seed, const std::function<void(long long)>& progress)
{
    int fields[F_COUNT];
    for (int f = 0; f < F_COUNT; ++f) fields[f] = t.fieldIndex(kFields[f].name);
    Generator gen(seed);
    Record r;
    t.beginBatch();
    for (long long i = 0; i < n; ++i) {
        gen.make(static_cast<uint64_t>(i), r);
        t.appendBlank();
        for (int f = 0; f < F_COUNT; ++f) {
            if (f == F_ISDEL || fields[f] < 0 || r.text[f].empty()) continue;
            if (f == F_MEMO)
                t.setMemo(fields[f], r.text[f]);
            else
                t.setString(fields[f], r.text[f]);
        }
        t.setLogical(fields[F_ISDEL], false);
        t.post();
        if (progress && i % 50000 == 0) progress(i);
    }
    t.endBatch();
}

}  // namespace addrova::demo
