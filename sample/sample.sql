-- The sample database that TBN opens on first start: a small bookshop.
PRAGMA foreign_keys = ON;

CREATE TABLE authors (
    author_id   INTEGER PRIMARY KEY,
    name        TEXT NOT NULL,
    country     TEXT,
    born        DATE
);

CREATE TABLE books (
    book_id     INTEGER PRIMARY KEY,
    author_id   INTEGER NOT NULL REFERENCES authors(author_id),
    title       TEXT NOT NULL,
    published   DATE,
    price       DECIMAL(8, 2),
    pages       INTEGER
);

CREATE TABLE customers (
    customer_id INTEGER PRIMARY KEY,
    name        TEXT NOT NULL,
    city        TEXT,
    email       TEXT,
    joined      DATETIME NOT NULL
);

CREATE TABLE orders (
    order_id    INTEGER PRIMARY KEY,
    customer_id INTEGER NOT NULL REFERENCES customers(customer_id),
    ordered_at  DATETIME NOT NULL,
    shipped_at  DATETIME,
    note        TEXT
);

CREATE TABLE order_lines (
    order_id    INTEGER NOT NULL REFERENCES orders(order_id),
    line_no     INTEGER NOT NULL,
    book_id     INTEGER NOT NULL REFERENCES books(book_id),
    quantity    INTEGER NOT NULL,
    unit_price  DECIMAL(8, 2) NOT NULL,
    PRIMARY KEY (order_id, line_no)
);

INSERT INTO authors (author_id, name, country, born) VALUES
    (1, 'Gabriel García Márquez', 'Colombia', '1927-03-06'),
    (2, 'Fyodor Dostoevsky', 'Russia', '1821-11-11'),
    (3, 'Jane Austen', 'England', '1775-12-16'),
    (4, 'Haruki Murakami', 'Japan', '1949-01-12'),
    (5, 'Chinua Achebe', 'Nigeria', '1930-11-16'),
    (6, 'Selma Lagerlöf', 'Sweden', '1858-11-20'),
    (7, 'Italo Calvino', 'Italy', '1923-10-15'),
    (8, 'Wisława Szymborska', 'Poland', '1923-07-02'),
    (9, 'Anonymous', NULL, NULL),
    (10, 'Émile Zola', 'France', '1840-04-02');

INSERT INTO books (book_id, author_id, title, published, price, pages) VALUES
    (1, 1, 'Cien años de soledad', '1967-05-30', 19.90, 417),
    (2, 1, 'El amor en los tiempos del cólera', '1985-09-05', 17.50, 348),
    (3, 2, 'Crime and Punishment', '1866-01-01', 12.00, 671),
    (4, 2, 'The Brothers Karamazov', '1880-11-01', 14.25, 796),
    (5, 3, 'Pride and Prejudice', '1813-01-28', 9.99, 432),
    (6, 3, 'Emma', '1815-12-23', 9.49, 474),
    (7, 4, 'ノルウェイの森 (Norwegian Wood)', '1987-09-04', 15.00, 296),
    (8, 4, 'Kafka on the Shore', '2002-09-12', 16.80, 505),
    (9, 5, 'Things Fall Apart', '1958-06-17', 11.30, 209),
    (10, 6, 'Nils Holgerssons underbara resa', '1906-01-01', 13.70, 520),
    (11, 7, 'Le città invisibili', '1972-11-01', 12.90, 165),
    (12, 8, 'Wiersze wybrane', NULL, 8.00, NULL),
    (13, 9, 'Beowulf', NULL, 7.25, 213),
    (14, 10, 'Germinal', '1885-03-02', 10.40, 591),
    (15, 7, 'Se una notte d''inverno un viaggiatore', '1979-06-01', 13.10, 260);

-- Two thousand customers and four thousand orders with their lines, made deterministically.
WITH RECURSIVE seq(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM seq WHERE i < 2000)
INSERT INTO customers (customer_id, name, city, email, joined)
SELECT i,
       CASE i % 7 WHEN 0 THEN 'Zoë ' WHEN 1 THEN 'Łukasz ' WHEN 2 THEN 'Ana ' WHEN 3 THEN 'Björn '
                  WHEN 4 THEN 'Chloé ' WHEN 5 THEN 'Kenji ' ELSE 'Amara ' END || 'Customer ' || i,
       CASE i % 6 WHEN 0 THEN 'Bogotá' WHEN 1 THEN 'Kraków' WHEN 2 THEN 'São Paulo' WHEN 3 THEN 'Malmö'
                  WHEN 4 THEN NULL ELSE 'Lagos' END,
       CASE WHEN i % 5 = 0 THEN NULL ELSE 'customer' || i || '@example.org' END,
       datetime('2019-01-01 09:00:00', '+' || (i * 613) || ' minutes')
FROM seq;

WITH RECURSIVE seq(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM seq WHERE i < 4000)
INSERT INTO orders (order_id, customer_id, ordered_at, shipped_at, note)
SELECT i,
       1 + (i * 37) % 2000,
       datetime('2021-01-01 08:00:00', '+' || (i * 211) || ' minutes'),
       CASE WHEN i % 9 = 0 THEN NULL ELSE datetime('2021-01-01 08:00:00', '+' || (i * 211 + 2880) || ' minutes') END,
       CASE i % 11 WHEN 0 THEN 'gift wrap' WHEN 1 THEN 'deliver after 17:00' WHEN 2 THEN '' ELSE NULL END
FROM seq;

WITH RECURSIVE seq(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM seq WHERE i < 8000)
INSERT INTO order_lines (order_id, line_no, book_id, quantity, unit_price)
SELECT 1 + (i - 1) / 2, 1 + (i - 1) % 2, 1 + (i * 7) % 15, 1 + i % 3,
       (SELECT price FROM books WHERE book_id = 1 + (i * 7) % 15)
FROM seq;

CREATE VIEW order_totals AS
SELECT o.order_id, c.name AS customer, o.ordered_at, SUM(l.quantity * l.unit_price) AS total
FROM orders o
JOIN customers c ON c.customer_id = o.customer_id
JOIN order_lines l ON l.order_id = o.order_id
GROUP BY o.order_id;
