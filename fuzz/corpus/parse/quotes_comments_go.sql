insert into t values ('a;b', "c;d"); -- x;y
/* ; */ select 1
GO
select 2
